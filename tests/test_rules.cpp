#include "detailstext.h"
#include "filenameorder.h"
#include "oldversions.h"
#include "profilenames.h"

#include <QRandomGenerator>
#include <QSet>
#include <QRegularExpression>
#include <QTest>


static QStringList namesAt(const QStringList &census, const QList<int> &positions)
{
    QStringList names;
    for (int p : positions)
        names.append(census[p]);
    return names;
}

// The rules without files: which names are version files, which of them are old versions,
// and how the details of a file read.
class TestRules : public QObject
{
    Q_OBJECT

private slots:
    void versionFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("accepted");
        for (const char *name : {"bracket.prt.12", "bracket.prt.007", "a.b.asm.3", ".prt.1", "trail.txt.45",
                                 "pipe.sec.2", "list.bom.9", "plan.drw.1", "a.prt. 1", "a.prt.1e5", "a.prt.+3",
                                 "a.prt.2E-3", "Gehäuse Deckel.prt.4", "a.prt.x.prt.3"})
            QTest::newRow(name) << QString::fromUtf8(name) << true;
        for (const char *name : {"a.prt1.5", "bracket.prt", "bracket.PRT.3", "bracket.Prt.3", "bracket.prt.1x",
                                 "notes.doc.2", "bracket.prt.1.2", "xasm.1", "mybom.2", "prt.1", "ab.1", "",
                                 "a.prt.", "a.prt.1e", "a.prt.+-1", "a.prt.+", "a.prt.0x1F", "a.xprt.1"})
            QTest::newRow(*name ? name : "empty") << QString::fromUtf8(name) << false;
    }

    void versionFile()
    {
        QFETCH(QString, name);
        QFETCH(bool, accepted);
        QCOMPARE(isProEngVersionFile(name), accepted);
    }

    // The types a user chooses decide which names are versions; the six stay the default.
    void versionTypes()
    {
        VersionTypeSet chosen;
        QString unknown;
        QVERIFY(VersionTypeSet::parse("FRM, prt", chosen, &unknown));
        QCOMPARE(chosen.toString(), QString("prt,frm"));
        QVERIFY(isProEngVersionFile(u"layout.frm.3", chosen) && isProEngVersionFile(u"a.prt.3", chosen));
        QVERIFY(!isProEngVersionFile(u"a.asm.3", chosen) && !isProEngVersionFile(u"layout.FRM.3", chosen));
        QVERIFY(!isProEngVersionFile(u"layout.frm.3"));
        QVERIFY(VersionTypeSet::parse(" ", chosen) && chosen.isDefault());
        QVERIFY(!VersionTypeSet::parse("prt,doc", chosen, &unknown));
        QCOMPARE(unknown, QString("doc"));
        QCOMPARE(VersionTypeSet::all().names().size(), qsizetype(kVersionTypes.size()));
        // Only the whole type: not a part of it, nor more, nor a type cut short by a NUL.
        const VersionTypeSet six;
        QVERIFY(six.contains(u"prt") && six.contains(u"txt") && !six.contains(u"frm"));
        QVERIFY(!six.contains(u"pr") && !six.contains(u"prtx") && !six.contains(QStringView(u"prt\0", 4)) && !six.contains(u""));
    }

    // File names sort without regard to case, then exactly; capitals are folded wherever they
    // stand against other characters, and so are letters beyond ASCII.
    void fileNameOrder()
    {
        QStringList names{"\u00e9t\u00e9.prt.1", "b.prt.1", "Zeta.prt.1", "alpha.prt.1", "_x.prt.1",
                          "\u00c9t\u00e9.prt.1", "ZZ", "Alpha.prt.1"};
        QList<FileIdentity> sizes(names.size());
        for (qsizetype i = 0; i < names.size(); ++i)
            sizes[i].size = i;
        sortFileNames(names, &sizes);
        QCOMPARE(names, (QStringList{"_x.prt.1", "Alpha.prt.1", "alpha.prt.1", "b.prt.1", "Zeta.prt.1", "ZZ",
                                     "\u00c9t\u00e9.prt.1", "\u00e9t\u00e9.prt.1"}));
        QCOMPARE(sizes[0].size, 4);
        QCOMPARE(sizes[7].size, 0);
    }

    void oldVersions_data()
    {
        QTest::addColumn<QStringList>("census");
        QTest::addColumn<QStringList>("old");
        QTest::newRow("three versions") << QStringList{"a.prt.1", "a.prt.2", "a.prt.3"} << QStringList{"a.prt.1", "a.prt.2"};
        QTest::newRow("first met order") << QStringList{"b.prt.2", "a.prt.1", "b.prt.10", "a.prt.3"}
                                         << QStringList{"b.prt.2", "a.prt.1"};
        QTest::newRow("leading zeros") << QStringList{"a.prt.007", "a.prt.8"} << QStringList{"a.prt.007"};
        QTest::newRow("types are models") << QStringList{"gear.prt.1", "gear.asm.2"} << QStringList{};
        QTest::newRow("equal values both stay") << QStringList{"a.prt.7", "a.prt.007"} << QStringList{};
        QTest::newRow("equal values below a higher") << QStringList{"a.prt.7", "a.prt.007", "a.prt.9"}
                                                     << QStringList{"a.prt.7", "a.prt.007"};
        QTest::newRow("prefix of another base name") << QStringList{"a.prt.x.prt.3", "a.prt.5"} << QStringList{};
        QTest::newRow("bad version alone is no error") << QStringList{"a.prt. 1", "b.prt.2"} << QStringList{};
    }

    void oldVersions()
    {
        QFETCH(QStringList, census);
        QFETCH(QStringList, old);
        const OldVersionScan scan = scanOldVersions(census);
        QVERIFY(!scan.badVersion);
        QCOMPARE(namesAt(census, scan.positions), old);
        // Kept to the last version, nothing is old; only distinct values count.
        QVERIFY(scanOldVersions(census, int(census.size())).positions.isEmpty());
    }

    // The fast scan against the plain rule: every ordered pair (i, m) of versions of one model,
    // the lower of each pair recorded when first met, when `keep` distinct values of its model
    // are higher; each old version keeps the first of the highest versions of its model, and the
    // kept versions are the rest, from the lowest up; a version not in plain digits beside
    // another is an error.
    void oldVersionsAgreeWithPairwiseComparison()
    {
        const QStringList models = {"a", "A", "a.b", "bracket", "x y", QString::fromUtf8("Ölwanne"), ""};
        const QStringList types = {"prt", "asm", "drw", "txt"};
        const QStringList versions = {"1", "2", "3", "7", "007", "8", "9", "10", "0", "00", "12", "100"};
        const QStringList badVersions = {" 1", "+2", "1e1", "-3"};
        const auto base = [](const QString &name) { return name.left(name.lastIndexOf('.') + 1); };
        const QRegularExpression plain("\\.[0-9]+$");
        QRandomGenerator random(20261206);
        int errors = 0, nonEmpty = 0;
        for (int round = 0; round < 3000; ++round) {
            QStringList census;
            const bool oneBigModel = round % 50 == 0;
            for (int i = oneBigModel ? 400 : random.bounded(1, 40); i > 0; --i) {
                QString version = oneBigModel ? QString::number(random.bounded(1, 600))
                                              : versions[random.bounded(versions.size())];
                if (random.bounded(400) == 0)
                    version = badVersions[random.bounded(badVersions.size())];
                const QString name = (oneBigModel ? QStringLiteral("big") : models[random.bounded(models.size())]) +
                                     '.' + types[random.bounded(oneBigModel ? 1 : types.size())] + '.' + version;
                if (isProEngVersionFile(name) && !census.contains(name))
                    census.append(name);
            }
            bool error = false;
            QStringList recorded, modelOf;
            QList<double> values;
            for (const QString &name : std::as_const(census)) {
                modelOf.append(base(name));
                values.append(name.mid(modelOf.last().size()).toDouble());
            }
            QHash<QString, int> keptOf; // model -> the first of its highest versions
            for (int i = 0; i < census.size(); ++i) {
                if (!keptOf.contains(modelOf[i]) || values[i] > values[keptOf[modelOf[i]]])
                    keptOf[modelOf[i]] = i;
                for (int m = 0; m < census.size(); ++m) {
                    if (i == m || modelOf[m] != modelOf[i])
                        continue;
                    error = error || !census[i].contains(plain) || !census[m].contains(plain);
                    const QString &lower = values[i] > values[m] ? census[m] : census[i];
                    if (values[i] != values[m] && !recorded.contains(lower))
                        recorded.append(lower);
                }
            }
            const int keep = 1 + round % 3;
            const auto higherValues = [&](int i) {
                QSet<double> higher;
                for (int m = 0; m < census.size(); ++m)
                    if (modelOf[m] == modelOf[i] && values[m] > values[i])
                        higher.insert(values[m]);
                return int(higher.size());
            };
            recorded.removeIf([&](const QString &name) { return higherValues(int(census.indexOf(name))) < keep; });
            const OldVersionScan scan = scanOldVersions(census, keep);
            QCOMPARE(scan.badVersion, error);
            errors += error;
            if (error)
                continue;
            QCOMPARE(namesAt(census, scan.positions), recorded);
            for (qsizetype i = 0; i < scan.positions.size(); ++i)
                QCOMPARE(scan.kept.value(i), keptOf.value(base(census[scan.positions[i]])));
            QStringList keptNames;
            for (qsizetype m = 0; m + 1 < scan.keptStart.size(); ++m) {
                for (int k = scan.keptStart[m]; k < scan.keptStart[m + 1]; ++k) {
                    keptNames.append(census[scan.keptVersions[k]]);
                    if (k > scan.keptStart[m]) // from the lowest up, equal ones in census order
                        QVERIFY(values[scan.keptVersions[k - 1]] < values[scan.keptVersions[k]] ||
                                (values[scan.keptVersions[k - 1]] == values[scan.keptVersions[k]] &&
                                 scan.keptVersions[k - 1] < scan.keptVersions[k]));
                }
            }
            keptNames += recorded;
            keptNames.sort();
            census.sort();
            QCOMPARE(keptNames, census);
            nonEmpty += !recorded.isEmpty();
        }
        QVERIFY(errors > 10 && nonEmpty > 1000); // both outcomes really exercised
    }

    void detailsText_data()
    {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QString>("size");
        QTest::newRow("empty") << qint64(0) << "0 B";
        QTest::newRow("512") << qint64(512) << "0.512 KB";
        QTest::newRow("1,000,000") << qint64(1000000) << "1000 KB";
        QTest::newRow("1,000,001") << qint64(1000001) << "1 MB";
        QTest::newRow("half to even, down") << qint64(1234500) << "1.234 MB";
        QTest::newRow("half to even, up") << qint64(1235500) << "1.236 MB";
    }

    void detailsText()
    {
        QFETCH(qint64, bytes);
        QFETCH(QString, size);
        const QLocale us(QLocale::English, QLocale::UnitedStates);
        QCOMPARE(formatSize(bytes, us), size);
        QCOMPARE(formatSize(bytes, QLocale(QLocale::German)), QString(size).replace('.', ','));
        QCOMPARE(formatDateTime(QDateTime(QDate(2026, 3, 7), QTime(0, 0)), us), QStringLiteral("3/7/26"));
        QCOMPARE(formatDateTime(QDateTime(QDate(2026, 3, 7), QTime(14, 5, 9)), us), QStringLiteral("3/7/26 2:05:09 PM"));
    }
};

QTEST_APPLESS_MAIN(TestRules)
#include "test_rules.moc"

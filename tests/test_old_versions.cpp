#include "oldversions.h"
#include "profilenames.h"

#include <QRandomGenerator>
#include <QTest>

#include <algorithm>

class TestOldVersions : public QObject
{
    Q_OBJECT

private slots:
    void examples_data();
    void examples();
    void agreesWithPairwiseComparison();
};

namespace {

// The plain rule the fast scan must reproduce: every ordered pair (i, m) of versions of one
// model, the lower one of each pair recorded the first time it is met.
struct Pairwise
{
    bool error = false;
    QStringList recorded;
};

Pairwise comparePairwise(const QStringList &census)
{
    Pairwise result;
    auto readVersion = [](const QString &name, QString &version) {
        version.clear();
        for (qsizetype c = name.size() - 1; c >= 0; --c) {
            if (name[c].isDigit() && name[c].unicode() < 128)
                version.prepend(name[c]);
            else if (name[c] == QLatin1Char('.'))
                return true;
            else
                return false;
        }
        return true;
    };
    for (const QString &a : census) {
        const QString baseA = a.left(a.lastIndexOf('.') + 1);
        for (const QString &b : census) {
            if (a == b || b.left(b.lastIndexOf('.') + 1) != baseA)
                continue;
            QString va, vb;
            if (!readVersion(a, va) || !readVersion(b, vb)) {
                result.error = true;
                return result;
            }
            const double x = va.toDouble(), y = vb.toDouble();
            const QString &lower = x > y ? b : a;
            if (x != y && !result.recorded.contains(lower))
                result.recorded.append(lower);
        }
    }
    return result;
}

QStringList namesAt(const QStringList &census, const QList<int> &positions)
{
    QStringList names;
    for (int p : positions)
        names.append(census[p]);
    return names;
}

} // namespace

void TestOldVersions::examples_data()
{
    QTest::addColumn<QStringList>("census");
    QTest::addColumn<QStringList>("old");

    QTest::newRow("three versions") << QStringList{"a.prt.1", "a.prt.2", "a.prt.3"}
                                    << QStringList{"a.prt.1", "a.prt.2"};
    QTest::newRow("first met order") << QStringList{"b.prt.2", "a.prt.1", "b.prt.10", "a.prt.3"}
                                     << QStringList{"b.prt.2", "a.prt.1"};
    QTest::newRow("numbers, not text") << QStringList{"a.prt.9", "a.prt.10"} << QStringList{"a.prt.9"};
    QTest::newRow("leading zeros") << QStringList{"a.prt.007", "a.prt.8"} << QStringList{"a.prt.007"};
    QTest::newRow("types are models") << QStringList{"gear.prt.1", "gear.asm.2"} << QStringList{};
    QTest::newRow("equal values both stay") << QStringList{"a.prt.7", "a.prt.007"} << QStringList{};
    QTest::newRow("equal values below a higher")
        << QStringList{"a.prt.7", "a.prt.007", "a.prt.9"} << QStringList{"a.prt.7", "a.prt.007"};
    QTest::newRow("prefix of another base name")
        << QStringList{"a.prt.x.prt.3", "a.prt.5"} << QStringList{};
    QTest::newRow("dotted model name") << QStringList{"a.b.asm.3", "a.b.asm.12", "a.asm.1"}
                                       << QStringList{"a.b.asm.3"};
    QTest::newRow("bad version alone is no error") << QStringList{"a.prt. 1", "b.prt.2"} << QStringList{};
}

void TestOldVersions::examples()
{
    QFETCH(QStringList, census);
    QFETCH(QStringList, old);
    const OldVersionScan scan = scanOldVersions(census);
    QVERIFY(!scan.badVersion);
    QCOMPARE(namesAt(census, scan.positions), old);
}

void TestOldVersions::agreesWithPairwiseComparison()
{
    const QStringList models = {"a", "A", "a.b", "bracket", "x y", QString::fromUtf8("Ölwanne"), ""};
    const QStringList types = {"prt", "asm", "drw", "txt"};
    const QStringList versions = {"1", "2", "3", "7", "007", "8", "9", "10", "0", "00", "12", "100"};
    const QStringList badVersions = {" 1", "+2", "1e1", "-3"};
    QRandomGenerator random(20261206);
    int errors = 0, nonEmpty = 0;
    for (int round = 0; round < 3000; ++round) {
        QStringList census;
        const bool oneBigModel = round % 50 == 0;
        const int count = oneBigModel ? 400 : random.bounded(1, 40);
        for (int i = 0; i < count; ++i) {
            QString version = oneBigModel ? QString::number(random.bounded(1, 600))
                                          : versions[random.bounded(versions.size())];
            if (random.bounded(400) == 0)
                version = badVersions[random.bounded(badVersions.size())];
            const QString name = (oneBigModel ? QStringLiteral("big") : models[random.bounded(models.size())]) +
                                 '.' + types[random.bounded(oneBigModel ? 1 : types.size())] + '.' + version;
            if (isProEngVersionFile(name) && !census.contains(name))
                census.append(name);
        }
        const Pairwise expected = comparePairwise(census);
        const OldVersionScan scan = scanOldVersions(census);
        QCOMPARE(scan.badVersion, expected.error);
        if (expected.error) {
            ++errors;
            continue;
        }
        QCOMPARE(namesAt(census, scan.positions), expected.recorded);
        nonEmpty += !expected.recorded.isEmpty();
        // Each old version names the version its model keeps: the first of the highest.
        QCOMPARE(scan.kept.size(), scan.positions.size());
        for (qsizetype i = 0; i < scan.kept.size(); ++i) {
            const QString base = census[scan.positions[i]].left(census[scan.positions[i]].lastIndexOf('.') + 1);
            int first = -1;
            for (int p = 0; p < census.size(); ++p) {
                if (census[p].startsWith(base) && census[p].lastIndexOf('.') + 1 == base.size() &&
                    (first < 0 || census[p].mid(base.size()).toDouble() > census[first].mid(base.size()).toDouble()))
                    first = p;
            }
            QCOMPARE(scan.kept[i], first);
        }
    }
    // The generator must really exercise both outcomes.
    QVERIFY(errors > 10);
    QVERIFY(nonEmpty > 1000);
}

QTEST_APPLESS_MAIN(TestOldVersions)
#include "test_old_versions.moc"

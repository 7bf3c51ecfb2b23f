#include "dirlist.h"
#include "filelist.h"
#include "patternedit.h"
#include "profilenames.h"
#include "testsupport.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTest>

#include <cstdio>

#include <sys/stat.h>

using Answer = MessageBoxes::Answer;

class TestPurge : public QObject
{
    Q_OBJECT

private slots:
    void questionTexts_data();
    void questionTexts();
    void declinedQuestionChangesNothing_data();
    void declinedQuestionChangesNothing();
    void nothingOrOneVersionFile();
    void emptyPurgeListReportsTwice();
    void deletesOldVersionsOnly();
    void fileVanishedBeforeItsTurn();
    void unreadableVersionAbortsWithoutDeleting();
    void askWarnsWhenUnchecked();
    void folderPathHasOneSeparator();
    void randomFoldersKeepExactlyTheHighestVersions();
};

namespace {

const QString kDeleteNotice = QStringLiteral("Aborting Purge because files cannot be deleted - possible write protection!");

// The files a purge must leave: everything but the versions of a model below its highest.
QStringList survivors(const QStringList &names)
{
    QHash<QString, double> highest;
    for (const QString &name : names) {
        if (!isProEngVersionFile(name))
            continue;
        const QString base = name.left(name.lastIndexOf('.') + 1);
        const double value = name.mid(base.size()).toDouble();
        highest[base] = std::max(highest.value(base, -1), value);
    }
    QStringList kept;
    for (const QString &name : names) {
        const QString base = name.left(name.lastIndexOf('.') + 1);
        if (!isProEngVersionFile(name) || name.mid(base.size()).toDouble() >= highest.value(base))
            kept.append(name);
    }
    kept.sort();
    return kept;
}

} // namespace

void TestPurge::questionTexts_data()
{
    QTest::addColumn<bool>("ask");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("question");

    QTest::newRow("all files, confirmed") << true << "*.*" << "Do you want to purge old versions of Pro Eng files in %1 ?";
    QTest::newRow("all files, unconfirmed") << false << "*.*" << "Warning ! Do you want to purge ALL old versions of Pro Eng files in %1 ?";
    QTest::newRow("type, confirmed") << true << "*.prt.*" << "Do you want to purge old versions of type *.prt.* in %1 ?";
    QTest::newRow("type, unconfirmed") << false << "*.prt.*" << "Warning ! Do you want to purge ALL old versions of type *.prt.* in %1 ?";
}

void TestPurge::questionTexts()
{
    QFETCH(bool, ask);
    QFETCH(QString, pattern);
    QFETCH(QString, question);
    PurgeFixture s({"a.prt.1", "a.prt.2"}, ask);
    s.w->txtSearchSpec->setText(pattern);
    const QStringList texts = s.purge({Answer::Yes, Answer::No});
    QCOMPARE(texts, (QStringList{question.arg(s.folder), "Are you sure you want to purge files ?"}));
    QCOMPARE(s.h.messages.shown[0].icon, MessageBoxes::Icon::Exclamation);
    QCOMPARE(s.h.messages.shown[0].buttons, MessageBoxes::Buttons::YesNo);
}

void TestPurge::declinedQuestionChangesNothing_data()
{
    QTest::addColumn<QList<Answer>>("answers");
    QTest::newRow("first") << QList<Answer>{Answer::No};
    QTest::newRow("second") << QList<Answer>{Answer::Yes, Answer::No};
}

void TestPurge::declinedQuestionChangesNothing()
{
    QFETCH(QList<Answer>, answers);
    const QStringList files = {"a.prt.1", "a.prt.2", "b.asm.1", "b.asm.3"};
    PurgeFixture s(files);
    const QStringList texts = s.purge(answers);
    QCOMPARE(texts.size(), answers.size()); // the questions only: no report
    QVERIFY(s.h.engine->PurgeAborted);
    QCOMPARE(s.h.engine->OldVersionCount, 0);
    QCOMPARE(namesIn(s.folder), sorted(files));
    s.expectIdle();
    QCOMPARE(s.w->Pro_Eng_files->text(), QStringLiteral("Pro Eng Files = 4"));
}

void TestPurge::nothingOrOneVersionFile()
{
    PurgeFixture none({"readme.txt"});
    QCOMPARE(none.purge(), QStringList{"No Pro Eng Files found"});
    none.expectIdle(false);

    PurgeFixture one({"a.prt.1", "notes.doc"});
    QCOMPARE(one.purge(), QStringList{"No Pro Eng files to purge"});
    QCOMPARE(one.h.messages.shown[0].icon, MessageBoxes::Icon::Information);
    QCOMPARE(one.w->Pro_Eng_files->text(), QStringLiteral("Pro Eng Files = 1"));
    one.expectIdle(false);
}

void TestPurge::emptyPurgeListReportsTwice()
{
    PurgeFixture s({"a.prt.1", "b.prt.1", "a.asm.2"});
    QCOMPARE(s.purge().mid(2),
             (QStringList{"No old versions of Pro Eng files found", "0 Pro Eng Files Deleted!"}));
    QCOMPARE(namesIn(s.folder).size(), 3);
    s.expectIdle();
}

// Read-only files, a link among the old versions, a folder named like a version, names with
// blanks and Unicode: all old versions go, in purge-list order, and nothing else.
void TestPurge::deletesOldVersionsOnly()
{
    const QString gear = QString::fromUtf8("Zahnrad groß");
    QStringList files = {"a.prt.1", "a.prt.2", "a.prt.10", gear + ".asm.3", gear + ".asm.4",
                         "target.doc", "notes.txt"};
    PurgeFixture s(files);
    QVERIFY(QFile::setPermissions(s.folder + "/a.prt.1", QFile::ReadOwner));
    QVERIFY(QFile::link(s.folder + "/target.doc", s.folder + "/a.prt.5"));
    makeFolder(s.folder, "a.prt.3");
    const QString outside = makeFile(s.h.home(), "outside.prt.1", "keep");
    QVERIFY(QFile::link(outside, s.folder + "/b.drw.1"));
    makeFile(s.folder, "b.drw.2");
    QVERIFY(QFile::setPermissions(outside, QFile::ReadOwner));
    s.w->Command1_Click();

    const QStringList texts = s.purge();
    QCOMPARE(texts.mid(2), QStringList{"5 Pro Eng Files Deleted!"});
    QCOMPARE(namesIn(s.folder), sorted({"a.prt.10", "a.prt.3", "b.drw.2", "notes.txt",
                                        "target.doc", gear + ".asm.4"}));
    QVERIFY(QFileInfo(s.folder + "/a.prt.3").isDir());
    // The links' targets are untouched, content and mode.
    QCOMPARE(QFileInfo(outside).permissions() & QFile::WriteOwner, QFile::Permissions());
    QFile target(s.folder + "/target.doc");
    QVERIFY(target.open(QIODevice::ReadOnly));
    QCOMPARE(target.readAll(), QByteArray("target.doc"));
    QCOMPARE(s.w->Label1->text(), QStringLiteral("Files = 5"));
    QCOMPARE(s.w->Pro_Eng_files->text(), QStringLiteral("Pro Eng Files = 3"));
    QCOMPARE(s.h.engine->PurgeFiles, QStringList{QString()});
    s.expectIdle();
}

void TestPurge::fileVanishedBeforeItsTurn()
{
    PurgeFixture s({"m.prt.1", "m.prt.2", "m.prt.3", "m.prt.4"});
    s.h.messages.onShow = [&s](const QString &text) {
        if (text.startsWith("Are you sure"))
            QFile::remove(s.folder + "/m.prt.2");
    };
    const QStringList texts = s.purge();
    QCOMPARE(texts.mid(2), (QStringList{"1 Pro Eng Files Deleted!", kDeleteNotice,
                                        "0 Pro Eng Files Deleted!"}));
    QCOMPARE(s.h.messages.shown[3].icon, MessageBoxes::Icon::Exclamation);
    QCOMPARE(namesIn(s.folder), (QStringList{"m.prt.3", "m.prt.4"}));
    QCOMPARE(s.w->Pro_Eng_files->text(), QStringLiteral("Pro Eng Files = 2"));
    s.expectIdle();

    // A folder or another file put in a listed file's place is not deleted either.
    PurgeFixture r({"n.prt.1", "n.prt.2", "n.prt.3"});
    r.h.messages.onShow = [&r](const QString &text) {
        if (text.startsWith("Are you sure")) {
            QFile::remove(r.folder + "/n.prt.1");
            makeFolder(r.folder, "n.prt.1");
            makeFile(r.folder, "new", "new"); // made first: it cannot reuse the old inode
            ::rename(qPrintable(r.folder + "/new"), qPrintable(r.folder + "/n.prt.2"));
        }
    };
    QCOMPARE(r.purge().mid(2), (QStringList{"0 Pro Eng Files Deleted!", kDeleteNotice,
                                            "0 Pro Eng Files Deleted!"}));
    QCOMPARE(namesIn(r.folder), (QStringList{"n.prt.1", "n.prt.2", "n.prt.3"}));
}

void TestPurge::unreadableVersionAbortsWithoutDeleting()
{
    const QStringList files = {"a.prt.1", "a.prt.2", "b.prt. 1", "b.prt.2", "c.prt.+1"};
    PurgeFixture s(files);
    QCOMPARE(s.purge().mid(2), QStringList{"Error - Aborting"});
    QCOMPARE(s.h.messages.shown[2].icon, MessageBoxes::Icon::None);
    QCOMPARE(s.h.messages.shown[2].buttons, MessageBoxes::Buttons::Ok);
    QVERIFY(s.h.engine->PurgeAborted);
    QCOMPARE(s.h.engine->OldVersionCount, 0);
    QCOMPARE(namesIn(s.folder), sorted(files));
    s.expectIdle();

    // Alone in its model, such a version is no obstacle.
    PurgeFixture t({"a.prt.1", "a.prt.2", "c.prt.+1"});
    QCOMPARE(t.purge().mid(2), QStringList{"1 Pro Eng Files Deleted!"});
}

void TestPurge::askWarnsWhenUnchecked()
{
    WindowHarness h;
    Purge &w = h.load();
    QVERIFY(h.messages.shown.isEmpty()); // the load checks the box without a warning
    for (int i = 0; i < 2; ++i) {
        QTest::mouseClick(w.Ask, Qt::LeftButton, {}, QPoint(5, w.Ask->height() / 2));
        QVERIFY(!w.Ask->isChecked());
        w.Ask->setChecked(true);
    }
    const QString warning = "Warning - ALL old versions of Pro Eng Files will be delete when purging!";
    QCOMPARE(h.messages.texts(), (QStringList{warning, warning}));
    QCOMPARE(h.messages.shown[0].icon, MessageBoxes::Icon::Critical);
}

void TestPurge::folderPathHasOneSeparator()
{
    QCOMPARE(withTrailingSeparator("/"), QStringLiteral("/"));
    QCOMPARE(withTrailingSeparator("/work"), QStringLiteral("/work/"));
    PurgeFixture s({"a.prt.1", "a.prt.2"});
    s.h.messages.onShow = [&s](const QString &text) {
        if (text.endsWith("Deleted!"))
            QCOMPARE(s.h.engine->FolderPath, s.folder + "/");
    };
    s.purge();
}

// Many small folders of random versions: after a purge exactly the lower versions are gone.
void TestPurge::randomFoldersKeepExactlyTheHighestVersions()
{
    PurgeFixture s({});
    const QStringList models = {"a", "A", "b.c", "x y"};
    const QStringList types = {"prt", "asm", "drw"};
    const QStringList versions = {"1", "2", "3", "9", "10", "007", "7", "11"};
    QRandomGenerator random(7);
    int deletedSomething = 0;
    for (int round = 0; round < 10000; ++round) {
        const QString folder = makeFolder(s.h.home(), QString::number(round));
        QStringList names;
        for (int i = random.bounded(1, 9); i > 0; --i)
            names.append(models[random.bounded(models.size())] + '.' +
                         types[random.bounded(types.size())] + '.' +
                         versions[random.bounded(versions.size())]);
        if (random.bounded(4) == 0)
            names.append("other.prt");
        names.removeDuplicates();
        for (const QString &name : names)
            makeFile(folder, name);
        s.w->dirList->setPath(folder);
        s.h.messages.shown.clear();
        s.purge();
        const QStringList expected = survivors(names);
        QCOMPARE(namesIn(folder), expected);
        deletedSomething += expected.size() < names.size();
        QVERIFY(QDir(folder).removeRecursively());
    }
    QVERIFY2(deletedSomething > 3000, qPrintable(QString::number(deletedSomething)));
}

QTEST_MAIN(TestPurge)
#include "test_purge.moc"

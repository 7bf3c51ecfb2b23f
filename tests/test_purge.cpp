#include "folderreader.h"
#include "profilenames.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTest>

#include <cstdio>
#include <optional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using Answer = MessageBoxes::Answer;

// The purge command in the engine, on real folders, without the window.
class TestPurge : public QObject
{
    Q_OBJECT

private slots:
    void questionTexts_data();
    void questionTexts();
    void nothingToPurge_data();
    void nothingToPurge();
    void deletesOldVersionsOnly();
    void whatIsListedIsWhatIsPurged_data();
    void whatIsListedIsWhatIsPurged();
    void racesBeforeEachDeletion_data();
    void racesBeforeEachDeletion();
    void unreadableVersionAbortsWithoutDeleting();
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
    EngineFixture f({"a.prt.1", "a.prt.2"}, ask);
    f.view.patternText = pattern;
    QCOMPARE(f.purge({Answer::Yes, Answer::No}),
             (QStringList{question.arg(f.folder), "Are you sure you want to purge files ?"}));
    QCOMPARE(f.messages.shown[0].icon, MessageBoxes::Icon::Exclamation);
    QCOMPARE(f.messages.shown[0].buttons, MessageBoxes::Buttons::YesNo);
}

void TestPurge::nothingToPurge_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QList<Answer>>("answers");
    QTest::addColumn<QStringList>("texts"); // after the questions, if any were asked
    const QStringList versions = {"a.prt.1", "a.prt.2", "b.asm.1", "b.asm.3"};
    QTest::newRow("declined at the first question") << versions << QList<Answer>{Answer::No} << QStringList{};
    QTest::newRow("declined at the second") << versions << QList<Answer>{Answer::Yes, Answer::No} << QStringList{};
    QTest::newRow("no version files") << QStringList{"readme.txt"} << QList<Answer>{}
                                      << QStringList{"No Pro Eng Files found"};
    QTest::newRow("one version file") << QStringList{"a.prt.1", "notes.doc"} << QList<Answer>{}
                                      << QStringList{"No Pro Eng files to purge"};
    QTest::newRow("no old versions") << QStringList{"a.prt.1", "b.prt.1", "a.asm.2"}
                                     << QList<Answer>{Answer::Yes, Answer::Yes}
                                     << QStringList{"No old versions of Pro Eng files found", "0 Pro Eng Files Deleted!"};
}

// Whatever stops a purge before it deletes: nothing goes, the counters stay right, the window
// is idle again.
void TestPurge::nothingToPurge()
{
    QFETCH(QStringList, files);
    QFETCH(QList<Answer>, answers);
    QFETCH(QStringList, texts);
    EngineFixture f(files);
    QCOMPARE(f.purge(answers).mid(answers.size()), texts);
    QCOMPARE(f.messages.shown.last().icon, texts.isEmpty() ? MessageBoxes::Icon::Exclamation
                                                            : MessageBoxes::Icon::Information);
    QCOMPARE(namesIn(f.folder), sorted(files));
    QCOMPARE(f.view.counters.value(0), files.size());
    f.expectIdle();
}

// Read-only files, links and a folder named like versions, names with blanks and Unicode: the
// old versions go and nothing else. A link is never a version: not an old one, whose target
// stays where it is, nor the latest, which would leave the model with nothing but a link.
void TestPurge::deletesOldVersionsOnly()
{
    const QString gear = QString::fromUtf8("Zahnrad groß");
    EngineFixture f({"a.prt.1", "a.prt.2", "a.prt.10", gear + ".asm.3", gear + ".asm.4", "notes.txt"});
    QVERIFY(QFile::setPermissions(f.folder + "/a.prt.1", QFile::ReadOwner));
    QVERIFY(QFile::link("a.prt.10", f.folder + "/a.prt.11"));
    makeFolder(f.folder, "a.prt.3");
    const QString outside = makeFile(f.dir.path(), "outside.prt.1", "keep");
    QVERIFY(QFile::link(outside, f.folder + "/b.drw.1"));
    makeFile(f.folder, "b.drw.2");
    f.view.open(f.folder);
    f.engine.CountProEngFiles();
    QCOMPARE(f.view.counters, (QList<int>{9, 6}));

    QCOMPARE(f.purge().mid(2), QStringList{"3 Pro Eng Files Deleted!"});
    QCOMPARE(namesIn(f.folder), sorted({"a.prt.10", "a.prt.11", "a.prt.3", "b.drw.1", "b.drw.2",
                                        "notes.txt", gear + ".asm.4"}));
    QVERIFY(QFileInfo(f.folder + "/a.prt.3").isDir());
    QVERIFY(!QFileInfo(f.folder + "/a.prt.10").isSymLink());
    QVERIFY(QFileInfo::exists(outside));
    QCOMPARE(f.view.counters, (QList<int>{6, 3}));
    QCOMPARE(f.engine.purgeFiles(), QStringList{QString()});
    f.expectIdle();
}

namespace {

// A small FAT image mounted through FUSE, whose listing and status calls disagree on inode
// numbers and which may number a file anew; unmounted when it goes.
struct FatMount
{
    explicit FatMount(const QString &dir) : point(makeFolder(dir, "stick"))
    {
        const QString image = dir + "/stick.img";
        const QString mkfs = QStandardPaths::findExecutable("mkfs.vfat", {"/usr/sbin", "/sbin"});
        const int fuse = ::open("/dev/fuse", O_RDWR | O_CLOEXEC);
        if (fuse < 0 || mkfs.isEmpty() || QStandardPaths::findExecutable("fusefat").isEmpty())
            return;
        ::close(fuse);
        QFile file(image);
        mounted = file.open(QIODevice::WriteOnly) && file.resize(4 << 20) &&
                  quietly(mkfs, {image}) && quietly("fusefat", {"-o", "rw+", image, point});
    }
    ~FatMount()
    {
        if (mounted)
            quietly("fusermount", {"-u", "-z", point});
    }
    static bool quietly(const QString &program, const QStringList &arguments)
    {
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(program, arguments);
        return process.waitForFinished() && process.exitStatus() == QProcess::NormalExit &&
               process.exitCode() == 0;
    }
    QString point;
    bool mounted = false;
};

} // namespace

void TestPurge::whatIsListedIsWhatIsPurged_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("a name that starts with U+FEFF") << "bom";
    QTest::newRow("folder reached through a link") << "link";
    QTest::newRow("file list read again, a new file first") << "reread";
    QTest::newRow("FAT image mounted through FUSE") << "fuse";
}

// What the purge deletes is exactly what the census counted in the folder the file list shows,
// however the folder was reached and whatever numbers the file system gives.
void TestPurge::whatIsListedIsWhatIsPurged()
{
    QFETCH(QString, kind);
    EngineFixture f({"m.prt.1", "m.prt.2"});
    QString folder = f.folder;
    QStringList left = {"m.prt.2"};
    std::optional<FatMount> fat;
    if (kind == "bom") {
        // Decoded carelessly, it would be m.prt.9 and take m.prt.2's place as the latest.
        makeRawFile(folder, "\xEF\xBB\xBFm.prt.9");
        left = {"m.prt.2", QChar(0xFEFF) + QStringLiteral("m.prt.9")};
    } else if (kind == "link") {
        folder = f.dir.filePath("linked");
        QVERIFY(QFile::link(f.folder, folder));
    } else if (kind == "fuse") {
        fat.emplace(f.dir.path());
        if (!fat->mounted)
            QSKIP("a FAT image cannot be mounted through FUSE here");
        folder = fat->point;
        makeFile(folder, "m.prt.1", "one");
        makeFile(folder, "m.prt.2", "two");
    }
    f.view.open(folder);
    if (kind == "reread") {
        makeFile(folder, "a.prt.0"); // listed first: the rows of the census files move
        f.view.open(folder);
        left.prepend("a.prt.0");
    } else {
        f.engine.CountProEngFiles();
    }
    if (kind == "fuse") {
        // Once the kernel forgets them, the file system numbers the files anew. The kernel
        // forgets in its own time: ask a few times, and purge however it went.
        struct stat listed = {}, now = {};
        QCOMPARE(::lstat(qPrintable(folder + "/m.prt.2"), &listed), 0);
        for (int attempt = 0; attempt < 10; ++attempt) {
            ::sync();
            QFile drop("/proc/sys/vm/drop_caches");
            if (!drop.open(QIODevice::WriteOnly) || drop.write("2") != 1 || !drop.flush())
                break;
            QTest::qWait(20);
            QCOMPARE(::lstat(qPrintable(folder + "/m.prt.2"), &now), 0);
            if (now.st_ino != listed.st_ino)
                break;
        }
    }
    QCOMPARE(f.engine.proEngFileCount(), 2);
    QCOMPARE(f.purge().mid(2), QStringList{"1 Pro Eng Files Deleted!"});
    QCOMPARE(namesIn(folder), left);
    f.expectIdle();
}

void TestPurge::racesBeforeEachDeletion_data()
{
    QTest::addColumn<bool>("ask");
    QTest::addColumn<QString>("race");   // what another program does to the file
    QTest::addColumn<QString>("target"); // just before its status is read for a deletion
    QTest::addColumn<int>("occurrence"); // the how-manyth time
    QTest::addColumn<int>("deleted");
    QTest::addColumn<QStringList>("left");
    QTest::addColumn<QString>("cause");

    const QString replaced = ": has been replaced by another file since it was listed";
    const QString kept = "\nThis is the latest version of its model, which the purge keeps; "
                         "no older version of it is deleted.";
    const QStringList m2Stays = {"m.prt.2", "m.prt.3", "m.prt.4", "n.prt.1", "n.prt.2"};
    for (const bool ask : {false, true}) {
        const char *mode = ask ? "confirmed" : "unconfirmed";
        QTest::addRow("%s, replaced", mode)
            << ask << "replace" << "m.prt.2" << 1 << 1 << m2Stays << "m.prt.2" + replaced;
        QTest::addRow("%s, re-created with the same inode number", mode)
            << ask << "recreate" << "m.prt.2" << 1 << 1 << m2Stays << "m.prt.2" + replaced;
        QTest::addRow("%s, a folder now", mode)
            << ask << "folder" << "m.prt.2" << 1 << 1 << m2Stays
            << "m.prt.2: was a file when listed and is a folder now";
        QTest::addRow("%s, gone", mode)
            << ask << "remove" << "m.prt.2" << 1 << 1
            << QStringList{"m.prt.3", "m.prt.4", "n.prt.1", "n.prt.2"} << "m.prt.2: is gone";
        QTest::addRow("%s, latest version gone", mode)
            << ask << "remove" << "m.prt.4" << 1 << 0
            << QStringList{"m.prt.1", "m.prt.2", "m.prt.3", "n.prt.1", "n.prt.2"}
            << "m.prt.4: is gone" + kept;
        QTest::addRow("%s, latest version replaced", mode)
            << ask << "replace" << "n.prt.2" << 1 << 3
            << QStringList{"m.prt.4", "n.prt.1", "n.prt.2"} << "n.prt.2" + replaced + kept;
    }
    QTest::newRow("unconfirmed, a link now")
        << false << "link" << "m.prt.2" << 1 << 1 << m2Stays
        << "m.prt.2: was a file when listed and is a symbolic link now";
    // Asked file by file, the latest version is looked at again before every deletion.
    QTest::newRow("confirmed, latest version gone after a deletion")
        << true << "remove" << "m.prt.4" << 2 << 1
        << QStringList{"m.prt.2", "m.prt.3", "n.prt.1", "n.prt.2"} << "m.prt.4: is gone" + kept;
}

// Another program at work in the folder: whatever it does just before a deletion, no file is
// deleted that is not the one listed, no model loses its latest version, and the run stops
// with the count, then the reason, which names the file.
void TestPurge::racesBeforeEachDeletion()
{
    QFETCH(bool, ask);
    QFETCH(QString, race);
    QFETCH(QString, target);
    QFETCH(int, occurrence);
    QFETCH(int, deleted);
    QFETCH(QStringList, left);
    QFETCH(QString, cause);
    EngineFixture f({"m.prt.1", "m.prt.2", "m.prt.3", "m.prt.4", "n.prt.1", "n.prt.2"}, ask);
    const QString path = f.folder + "/" + target;
    struct stat listed = {};
    QCOMPARE(::lstat(qPrintable(path), &listed), 0);
    int seen = 0;
    f.operations.beforeStatus = [&](const QString &name) {
        if (name != target || ++seen != occurrence)
            return;
        if (race == "replace") {
            makeFile(f.folder, "new", "new content");
            QCOMPARE(::rename(qPrintable(f.folder + "/new"), qPrintable(path)), 0);
            return;
        }
        QVERIFY(QFile::remove(path));
        if (race == "recreate") {
            makeFile(f.folder, target, target.toUtf8()); // same name, same size
            f.operations.reportedInode[target] = quint64(listed.st_ino);
        } else if (race == "folder") {
            makeFolder(f.folder, target);
        } else if (race == "link") {
            QVERIFY(QFile::link("m.prt.4", path));
        }
    };
    f.purge();
    if (ask)
        f.engine.OnConfirmAnswer(ProModule::Answer::YesToAll);
    const MessageBoxes::Icon icon = ask ? MessageBoxes::Icon::Critical : MessageBoxes::Icon::Exclamation;
    QCOMPARE(f.messages.texts().mid(2),
             (QStringList{QString::number(deleted) + " Pro Eng Files Deleted!", kDeleteNotice}));
    QCOMPARE(f.messages.shown.last().icon, icon);
    QCOMPARE(f.messages.shown.last().details, f.folder + "/" + cause);
    QCOMPARE(namesIn(f.folder), left);
    f.expectIdle();
}

void TestPurge::unreadableVersionAbortsWithoutDeleting()
{
    const QStringList files = {"a.prt.1", "a.prt.2", "b.prt. 1", "b.prt.2", "c.prt.+1"};
    EngineFixture f(files);
    QCOMPARE(f.purge().mid(2), QStringList{"Error - Aborting"});
    QCOMPARE(f.messages.shown[2].icon, MessageBoxes::Icon::None);
    QCOMPARE(f.messages.shown[2].buttons, MessageBoxes::Buttons::Ok);
    QVERIFY(f.engine.purgeAborted());
    QCOMPARE(f.engine.oldVersionCount(), 0);
    QCOMPARE(namesIn(f.folder), sorted(files));
    f.expectIdle();

    // Alone in its model, such a version is no obstacle.
    EngineFixture g({"a.prt.1", "a.prt.2", "c.prt.+1"});
    QCOMPARE(g.purge().mid(2), QStringList{"1 Pro Eng Files Deleted!"});
}

// Many small folders of random versions, with links and names the census must not take for
// versions, and now and then a file that another program re-creates after the listing. A purge
// that runs to its end leaves exactly the highest versions; one that stops has deleted old
// versions only, and never the re-created file.
void TestPurge::randomFoldersKeepExactlyTheHighestVersions()
{
    EngineFixture s({});
    const QStringList models = {"a", "A", "b.c", "x y"};
    const QStringList types = {"prt", "asm", "drw"};
    const QStringList versions = {"1", "2", "3", "9", "10", "007", "7", "11"};
    auto model = [&](QRandomGenerator &random) {
        return models[random.bounded(models.size())] + '.' + types[random.bounded(types.size())] + '.';
    };
    QRandomGenerator random(7);
    int completed = 0, stopped = 0;
    for (int round = 0; round < 2000; ++round) {
        const QString folder = makeFolder(s.dir.path(), QString::number(round));
        QStringList names;
        for (int i = random.bounded(1, 9); i > 0; --i)
            names.append(model(random) + versions[random.bounded(versions.size())]);
        if (random.bounded(4) == 0)
            names.append("other.prt");
        names.removeDuplicates();
        for (const QString &name : names)
            makeFile(folder, name);
        QStringList others; // links named like the latest versions, and names behind a U+FEFF
        if (random.bounded(3) == 0) {
            others.append(model(random) + "99");
            QVERIFY(QFile::link(names[random.bounded(names.size())], folder + "/" + others.last()));
        }
        if (random.bounded(3) == 0) {
            others.append(QChar(0xFEFF) + model(random) + "98");
            makeRawFile(folder, others.last().toUtf8());
        }
        s.view.open(folder);
        s.engine.CountProEngFiles();
        QString recreated;
        if (random.bounded(4) == 0) {
            recreated = names[random.bounded(names.size())];
            QVERIFY(QFile::remove(folder + "/" + recreated));
            makeFile(folder, recreated);
        }
        s.messages.shown.clear();
        s.purge();
        const QStringList expected = sorted(survivors(names) + others);
        const QStringList left = namesIn(folder);
        if (!s.messages.texts().contains(kDeleteNotice)) {
            QCOMPARE(left, expected);
            ++completed;
        } else {
            QVERIFY(!recreated.isEmpty() && left.contains(recreated));
            for (const QString &name : expected)
                QVERIFY2(left.contains(name), qPrintable(name));
            ++stopped;
        }
        QVERIFY(QDir(folder).removeRecursively());
    }
    QVERIFY2(stopped > 100 && completed > 1500,
             qPrintable(QString("%1 stopped, %2 completed").arg(stopped).arg(completed)));
}

QTEST_MAIN(TestPurge)
#include "test_purge.moc"

#include "confirmview.h"
#include "filelist.h"
#include "filenameorder.h"
#include "folderreader.h"
#include "foldertree.h"
#include "pinnedfolder.h"
#include "platformerror.h"
#include "profilenames.h"
#include "promodule.h"
#include "purgeview.h"
#include "testsupport.h"
#include "wildcardpattern.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#endif

using Answer = MessageBoxes::Answer;
using Icon = MessageBoxes::Icon;

namespace {

const QString kDeleteNotice = QStringLiteral("Aborting Purge because files cannot be deleted - possible write protection!");

// The windows as the engine sees them; what was shown last is kept for the test to read.
struct FakeView : PurgeView, ConfirmView
{
    // Lists the folder as the file list does.
    void open(const QString &folder)
    {
        FolderListing listing = readFolder(folder);
        const FolderIdentity identity = listing.identity;
        MatchingFiles files = matchingFiles(std::move(listing), WildcardPattern(patternText, Qt::CaseInsensitive));
        listed = {folder, identity, files.names, files.identities};
    }
    ListedFiles listedFiles() const override { return listed; }
    QString pattern() const override { return patternText; }
    bool confirmEachFile() const override { return confirm; }
    PurgeOptions purgeOptions() const override { return options; }
    void rereadFileList() override { open(listed.folder); }
    void showCounters(int files, int versionFiles) override { counters = {files, versionFiles}; }
    void enablePurgeControls(bool enabled) override { controlsEnabled = enabled; }
    void showPurgeList(const QString &folder, const QStringList &names, const QString &caption) override
    {
        purgeList.clear();
        for (const QString &name : names)
            purgeList.append(folder + name);
        purgeFolder = folder;
        purgeListCaption = caption;
    }
    void removePurgeListEntry(const QString &name, int) override { purgeList.removeOne(purgeFolder + name); }
    void showProgress(bool visible, int, int) override { progressVisible = visible; }
    void showStatusLine(bool visible, const QString &) override { statusVisible = visible; }
    void showNormalPointer() override {}
    void drawNow() override {}
    void showDialog() override { dialogVisible = true; }
    void hideDialog() override { dialogVisible = false; }
    void setLatestFileInfo(const QString &text) override { latestInfo = text; }
    void setDeleteFileInfo(const QString &text) override { deleteInfo = text; }

    ListedFiles listed;
    PurgeOptions options;
    QString patternText = "*.*", purgeFolder, purgeListCaption, latestInfo, deleteInfo;
    bool confirm = false, controlsEnabled = true, progressVisible = false, statusVisible = false, dialogVisible = false;
    QList<int> counters; // files, version files
    QStringList purgeList;
};

// The engine on a temporary folder of the given files (each holding its own name), counted.
struct EngineFixture
{
    explicit EngineFixture(const QStringList &files, bool confirm = false, const QString &name = "work")
        : folder(makeFolder(dir.path(), name))
    {
        for (const QString &file : files)
            makeFile(folder, file, file.toUtf8());
        engine.setViews(&view, &view);
        engine.setFileOperations(operations);
        view.confirm = confirm;
        recount(folder);
    }
    void recount(const QString &where)
    {
        view.open(where);
        engine.CountProEngFiles();
    }
    // The purge command with these answers to its questions; gives every text shown.
    QStringList purge(const QList<Answer> &answers = {Answer::Yes, Answer::Yes})
    {
        messages.answers = answers;
        engine.runPurge();
        return messages.texts();
    }
    // Answers the dialog, a letter an answer: Y(es), A(ll), N(o), C(ancel).
    void answer(const QString &keys)
    {
        for (QChar key : keys) {
            QVERIFY2(view.dialogVisible, "the dialog must be up to answer");
            engine.OnConfirmAnswer(key == 'Y' ? ProModule::Answer::Yes : key == 'A' ? ProModule::Answer::YesToAll
                                   : key == 'N' ? ProModule::Answer::No : ProModule::Answer::Cancel);
        }
    }
    // Back to idle: nothing of the run left on screen, every control usable.
    void expectIdle() const
    {
        QVERIFY(view.controlsEnabled && view.purgeList.isEmpty() && !view.dialogVisible);
        QVERIFY(!view.progressVisible && !view.statusVisible);
    }

    QTemporaryDir dir;
    QString folder;
    ScriptedMessageBoxes messages;
    TestServices services;
    RacingOperations operations;
    FakeView view;
    ProModule engine{messages, services};
};

FileIdentity listedFile(const QString &folder, const QString &name)
{
    const FolderListing listing = readFolder(folder);
    return listing.fileIdentities.value(listing.files.indexOf(name));
}

// The user's data folder, and with it the trash, in a folder of the test while this lives.
struct PrivateDataHome
{
    explicit PrivateDataHome(const QString &path) { qputenv("XDG_DATA_HOME", QFile::encodeName(path)); }
    ~PrivateDataHome() { had ? void(qputenv("XDG_DATA_HOME", saved)) : void(qunsetenv("XDG_DATA_HOME")); }
    const QByteArray saved = qgetenv("XDG_DATA_HOME");
    const bool had = qEnvironmentVariableIsSet("XDG_DATA_HOME");
};

// A trash record's keys and values, its first line under "".
QHash<QString, QString> trashRecord(const QString &path)
{
    QFile file(path);
    QHash<QString, QString> record;
    if (!file.open(QIODevice::ReadOnly))
        return record;
    const QStringList lines = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    for (const QString &line : lines)
        record.insert(line.section('=', 0, 0) == line ? QString() : line.section('=', 0, 0), line.section('=', 1));
    record[""] = lines.value(0);
    return record;
}

} // namespace

// The engine on real folders, driven through a small fake of the windows, and the pinned
// folder every deletion goes through.
class TestEngine : public QObject
{
    Q_OBJECT

private slots:
    void stopsBeforeDeleting_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<bool>("ask");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QList<Answer>>("answers");
        QTest::addColumn<QStringList>("texts"); // %1 stands for the folder

        const QStringList versions = {"a.prt.1", "a.prt.2", "b.asm.1", "b.asm.3"};
        const QString sure = "Are you sure you want to purge files ?";
        QTest::newRow("type, confirmed, no at the first") << versions << true << "*.prt.*" << QList<Answer>{Answer::No}
            << QStringList{"Do you want to purge old versions of type *.prt.* in %1 ?"};
        QTest::newRow("type, unconfirmed, no at the second") << versions << false << "*.prt.*" << QList<Answer>{Answer::Yes, Answer::No}
            << QStringList{"Warning ! Do you want to purge ALL old versions of type *.prt.* in %1 ?", sure};
        QTest::newRow("no version files") << QStringList{"readme.txt"} << false << "*.*" << QList<Answer>{}
                                          << QStringList{"No Pro Eng Files found"};
        QTest::newRow("one version file") << QStringList{"a.prt.1", "notes.doc"} << false << "*.*" << QList<Answer>{}
                                          << QStringList{"No Pro Eng files to purge"};
        QTest::newRow("no old versions") << QStringList{"a.prt.1", "b.prt.1", "a.asm.2"} << false << "*.*"
            << QList<Answer>{Answer::Yes, Answer::Yes}
            << QStringList{"Warning ! Do you want to purge ALL old versions of Pro Eng files in %1 ?", sure,
                           "No old versions of Pro Eng files found", "0 Pro Eng Files Deleted!"};
        // A version that is not plain digits, among others of its model: nothing can be decided.
        QTest::newRow("unreadable version") << QStringList{"a.prt.1", "a.prt.2", "b.prt. 1", "b.prt.2"} << true << "*.*"
            << QList<Answer>{Answer::Yes, Answer::Yes}
            << QStringList{"Do you want to purge old versions of Pro Eng files in %1 ?", sure, "Error - Aborting"};
    }

    // Whatever stops a purge before it deletes: the questions as asked, nothing goes, the counters
    // stay right, the window is idle again.
    void stopsBeforeDeleting()
    {
        QFETCH(QStringList, files);
        QFETCH(bool, ask);
        QFETCH(QString, pattern);
        QFETCH(QList<Answer>, answers);
        QFETCH(QStringList, texts);
        EngineFixture f(files, ask);
        f.view.patternText = pattern;
        QCOMPARE(f.purge(answers), texts.replaceInStrings("%1", asShown(f.folder)));
        for (const ScriptedMessageBoxes::Shown &shown : std::as_const(f.messages.shown))
            QCOMPARE(shown.icon, shown.buttons == MessageBoxes::Buttons::YesNo ? Icon::Exclamation
                                 : shown.text == "Error - Aborting"            ? Icon::None
                                                                               : Icon::Information);
        QCOMPARE(namesIn(f.folder), sorted(files));
        QCOMPARE(f.view.counters.value(0), files.size());
        // The version that stops the scan is named under "Show Details...".
        if (texts.last() == "Error - Aborting")
            QCOMPARE(f.messages.shown.last().details,
                     asShown(f.folder + "/b.prt. 1") + ": its version is not a number, so no file of this folder is deleted");
        f.expectIdle();
    }

    // Read-only files, links and a folder named like versions, names with blanks and Unicode, a
    // version that is not plain digits alone in its model: the old versions go and nothing else,
    // and no mode changes (another name of a deleted file shows its mode at the end).
    // A link is never a version: not an old one, whose target stays where it is, nor the latest,
    // which would leave the model with nothing but a link.
    void deletesOldVersionsOnly()
    {
        SKIP_WITHOUT_POSIX();
        const QString gear = QString::fromUtf8("Zahnrad groß");
        EngineFixture f({"a.prt.1", "a.prt.2", "a.prt.10", gear + ".asm.3", gear + ".asm.4", "notes.txt", "c.prt.+1"});
        QVERIFY(QFile::setPermissions(f.folder + "/a.prt.1", QFile::ReadOwner));
        const QString otherName = f.dir.filePath("other name");
        std::filesystem::create_hard_link(QFile::encodeName(f.folder + "/a.prt.1").constData(),
                                          QFile::encodeName(otherName).constData());
        QVERIFY(QFile::link("a.prt.10", f.folder + "/a.prt.11"));
        makeFolder(f.folder, "a.prt.3");
        const QString outside = makeFile(f.dir.path(), "outside.prt.1", "keep");
        QVERIFY(QFile::link(outside, f.folder + "/b.drw.1"));
        makeFile(f.folder, "b.drw.2");
        f.recount(f.folder);
        QCOMPARE(f.view.counters, (QList<int>{10, 7}));
        QCOMPARE(f.purge().mid(2), QStringList{"3 Pro Eng Files Deleted!"});
        QCOMPARE(namesIn(f.folder), sorted({"a.prt.10", "a.prt.11", "a.prt.3", "b.drw.1", "b.drw.2", "c.prt.+1", "notes.txt", gear + ".asm.4"}));
        QVERIFY(QFileInfo(f.folder + "/a.prt.3").isDir() && !QFileInfo(f.folder + "/a.prt.10").isSymLink());
        QVERIFY(QFileInfo::exists(outside));
        QCOMPARE(QFile::permissions(otherName) & (QFile::ReadOwner | QFile::WriteOwner), QFile::ReadOwner);
        QCOMPARE(f.view.counters, (QList<int>{7, 4}));
        f.expectIdle();
    }

    void whatIsListedIsWhatIsPurged_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("a name that starts with U+FEFF") << "bom";
        QTest::newRow("folder reached through a link") << "link";
        QTest::newRow("file list read again, a new file first") << "reread";
        QTest::newRow("FAT image mounted through FUSE") << "fuse";
    }

    // What the purge deletes is exactly what the census counted in the folder the file list shows,
    // however the folder was reached and whatever numbers the file system gives.
    void whatIsListedIsWhatIsPurged()
    {
        QFETCH(QString, kind);
        if (kind != "reread")
            SKIP_WITHOUT_POSIX();
        EngineFixture f({"m.prt.1", "m.prt.2"});
        QString folder = f.folder;
        QStringList left = {"m.prt.2"};
        bool mounted = false;
        const auto unmount = qScopeGuard([&] { if (mounted) runs("fusermount", {"-u", "-z", folder}); });
        if (kind == "bom") {
            // Decoded carelessly, it would be m.prt.9 and take m.prt.2's place as the latest.
            makeRawFile(folder, "\xEF\xBB\xBFm.prt.9");
            left.append(QChar(0xFEFF) + QStringLiteral("m.prt.9"));
        } else if (kind == "link") {
            folder = f.dir.filePath("linked");
            QVERIFY(QFile::link(f.folder, folder));
        } else if (kind == "fuse") {
            // A FAT image mounted through FUSE: listing and status calls disagree on inode numbers,
            // and a file may be numbered anew.
            const QString image = f.dir.filePath("stick.img");
            const QString mkfs = QStandardPaths::findExecutable("mkfs.vfat", {"/usr/sbin", "/sbin"});
            QFile file(image);
            folder = makeFolder(f.dir.path(), "stick");
            mounted = file.open(QIODevice::WriteOnly) && file.resize(4 << 20) && runs(mkfs, {image}) &&
                      runs("fusefat", {"-o", "rw+", image, folder});
            if (!mounted)
                QSKIP("a FAT image cannot be mounted through FUSE here");
            makeFile(folder, "m.prt.1", "one");
            makeFile(folder, "m.prt.2", "two");
        }
        f.recount(folder);
        if (kind == "reread") {
            makeFile(folder, "a.prt.0"); // listed first: the rows of the census files move
            f.view.open(folder);
            left.prepend("a.prt.0");
        }
        if (kind == "fuse") {
            // Once the kernel forgets them, the file system numbers the files anew. The kernel
            // forgets in its own time: ask a few times, and purge however it went.
            const quint64 listed = listedFile(folder, "m.prt.2").inode;
            quint64 now = listed;
            for (int attempt = 0; attempt < 10 && now == listed; ++attempt) {
                QVERIFY(runs("sync", {}));
                QFile drop("/proc/sys/vm/drop_caches");
                if (!drop.open(QIODevice::WriteOnly) || drop.write("2") != 1 || !drop.flush())
                    break;
                QTest::qWait(20);
                now = listedFile(folder, "m.prt.2").inode;
            }
        }
        QCOMPARE(f.engine.proEngFileCount(), 2);
        QCOMPARE(f.purge().mid(2), QStringList{"1 Pro Eng Files Deleted!"});
        QCOMPARE(namesIn(folder), left);
        f.expectIdle();
    }

    void racesBeforeEachDeletion_data()
    {
        QTest::addColumn<bool>("ask");
        QTest::addColumn<QString>("race");   // what another program does to the file
        QTest::addColumn<QString>("target"); // just before its status is read for a deletion
        QTest::addColumn<int>("occurrence"); // the how-manyth time
        QTest::addColumn<QStringList>("left");
        QTest::addColumn<QString>("cause");

        const QString replaced = ": has been replaced by another file since it was listed";
        const QString kept = "\nThis is the latest version of its model, which the purge keeps; "
                             "no older version of it is deleted.";
        const QStringList m2Stays = {"m.prt.2", "m.prt.3", "m.prt.4", "n.prt.1", "n.prt.2"};
        for (const bool ask : {false, true}) {
            const char *mode = ask ? "confirmed" : "unconfirmed";
            QTest::addRow("%s, replaced", mode) << ask << "replace" << "m.prt.2" << 1 << m2Stays << "m.prt.2" + replaced;
            QTest::addRow("%s, re-created with the same inode number", mode)
                << ask << "recreate" << "m.prt.2" << 1 << m2Stays << "m.prt.2" + replaced;
            QTest::addRow("%s, a folder now", mode) << ask << "folder" << "m.prt.2" << 1 << m2Stays
                                                    << "m.prt.2: was a file when listed and is a folder now";
            QTest::addRow("%s, gone", mode) << ask << "remove" << "m.prt.2" << 1
                                            << QStringList{"m.prt.3", "m.prt.4", "n.prt.1", "n.prt.2"} << "m.prt.2: is gone";
            QTest::addRow("%s, latest version gone", mode)
                << ask << "remove" << "m.prt.4" << 1
                << QStringList{"m.prt.1", "m.prt.2", "m.prt.3", "n.prt.1", "n.prt.2"} << "m.prt.4: is gone" + kept;
            QTest::addRow("%s, latest version replaced", mode) << ask << "replace" << "n.prt.2" << 1
                << QStringList{"m.prt.4", "n.prt.1", "n.prt.2"} << "n.prt.2" + replaced + kept;
        }
        QTest::newRow("unconfirmed, a link now") << false << "link" << "m.prt.2" << 1 << m2Stays
                                                 << "m.prt.2: was a file when listed and is a symbolic link now";
        // Asked or not, the latest version is looked at again before every deletion.
        for (const bool ask : {false, true})
            QTest::addRow("%s, latest version gone after a deletion", ask ? "confirmed" : "unconfirmed")
                << ask << "remove" << "m.prt.4" << 2 << QStringList{"m.prt.2", "m.prt.3", "n.prt.1", "n.prt.2"}
                << "m.prt.4: is gone" + kept;
    }

    // Another program at work in the folder: whatever it does just before a deletion, no file is
    // deleted that is not the one listed, no model loses its latest version, and the run stops
    // with the reason, which names the file, and the count (unconfirmed: the count first), both
    // shown over counters that have already counted the folder again.
    void racesBeforeEachDeletion()
    {
        QFETCH(bool, ask);
        QFETCH(QString, race);
        QFETCH(QString, target);
        QFETCH(int, occurrence);
        QFETCH(QStringList, left);
        QFETCH(QString, cause);
        if (race == "link")
            SKIP_WITHOUT_POSIX();
        EngineFixture f({"m.prt.1", "m.prt.2", "m.prt.3", "m.prt.4", "n.prt.1", "n.prt.2"}, ask);
        f.view.options.renumber = true; // a run that stops renames nothing, not even a model it finished
        const QString path = f.folder + "/" + target;
        const quint64 listed = listedFile(f.folder, target).inode;
        int seen = 0;
        f.operations.beforeStatus = [&](const QString &name) {
            if (name != target || ++seen != occurrence)
                return;
            if (race == "replace") {
                makeFile(f.folder, "new", "new content");
                std::filesystem::rename(QFile::encodeName(f.folder + "/new").constData(),
                                        QFile::encodeName(path).constData());
                return;
            }
            QVERIFY(QFile::remove(path));
            if (race == "recreate") {
                makeFile(f.folder, target, target.toUtf8()); // same name, same size
                f.operations.reportedInode[target] = listed;
            } else if (race == "folder") {
                makeFolder(f.folder, target);
            } else if (race == "link") {
                QVERIFY(QFile::link("m.prt.4", path));
            }
        };
        QList<QList<int>> countersBehind;
        f.messages.whileShown = [&] { countersBehind.append(f.view.counters); };
        f.purge();
        if (ask)
            f.answer("A");
        const QString report = QString::number(6 - left.size() - (race == "remove")) + " Pro Eng Files Deleted!";
        QCOMPARE(f.messages.texts().mid(2), (ask ? QStringList{kDeleteNotice, report} : QStringList{report, kDeleteNotice}));
        const ScriptedMessageBoxes::Shown &notice = f.messages.shown[ask ? 2 : 3];
        QCOMPARE(notice.icon, ask ? Icon::Critical : Icon::Exclamation);
        QCOMPARE(notice.details, asShown(f.folder + "/") + cause);
        QCOMPARE(namesIn(f.folder), left);
        f.expectIdle();
        f.recount(f.folder);
        QCOMPARE(countersBehind.mid(2), (QList<QList<int>>{f.view.counters, f.view.counters}));
    }

    void confirmedRun_data()
    {
        QTest::addColumn<QString>("folderName");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QStringList>("left");
        QTest::addColumn<QString>("latest"); // of the model asked about first
        QTest::addColumn<QString>("twist");

        const QStringList p = {"p.prt.1", "p.prt.2", "p.prt.3", "p.prt.4", "p.prt.5"};
        const QString longPath = QString(58, 'f') + "/" + QString(58, 'f') + "/" + QString(58, 'f');
        QTest::newRow("no") << "work" << QStringList{"q.prt.1", "q.prt.2"} << "N" << QStringList{"q.prt.1", "q.prt.2"} << "q.prt.2" << "";
        QTest::newRow("yes, numbers not text") << "work" << QStringList{"q.prt.9", "q.prt.10"} << "Y" << QStringList{"q.prt.10"} << "q.prt.10" << "";
        QTest::newRow("yes to all at once, dotted folder") << "pro.e" << p << "A" << QStringList{"p.prt.5"} << "p.prt.5" << "";
        QTest::newRow("yes to all after noes") << "work" << p << "NNA" << QStringList{"p.prt.1", "p.prt.2", "p.prt.5"} << "p.prt.5" << "";
        QTest::newRow("cancel at the third, path of 200 characters")
            << longPath << p << "YNC" << QStringList{"p.prt.2", "p.prt.3", "p.prt.4", "p.prt.5"} << "p.prt.5" << "";
        QTest::newRow("yes and no to the end") << "work" << p << "YNYN" << QStringList{"p.prt.2", "p.prt.4", "p.prt.5"} << "p.prt.5" << "";
        QTest::newRow("dotted model") << "work" << QStringList{"a.asm.9", "a.b.asm.2", "a.b.asm.3"} << "Y"
                                      << QStringList{"a.asm.9", "a.b.asm.3"} << "a.b.asm.3" << "";
        // Without the service both boxes share one note, in the box of the latest version.
        QTest::newRow("no file details") << "work" << p.mid(0, 3) << "NY" << QStringList{"p.prt.1", "p.prt.3"} << "p.prt.3" << "no details";
        // Browsing on while the dialog waits: the run still deletes its own list in its own folder.
        // and shows the latest version of its own folder, whatever the window shows by then.
        QTest::newRow("folder changed meanwhile") << "work" << p.mid(0, 3) << "NA" << QStringList{"p.prt.1", "p.prt.3"} << "p.prt.3" << "browsed";
    }

    // Each answer does what it says, read-only files included; the dialog shows the file and the
    // latest version of its model; the run ends with one report.
    void confirmedRun()
    {
        QFETCH(QString, folderName);
        QFETCH(QStringList, files);
        QFETCH(QString, keys);
        QFETCH(QStringList, left);
        QFETCH(QString, latest);
        QFETCH(QString, twist);
        EngineFixture f(files, true, folderName);
        f.services.unavailable = twist == "no details";
        QStringList old; // every version below the highest of its model
        for (const QString &name : sorted(files)) {
            QVERIFY(QFile::setPermissions(f.folder + "/" + name, QFile::ReadOwner));
            const QString base = name.left(name.lastIndexOf('.') + 1);
            if (std::any_of(files.begin(), files.end(), [&](const QString &other) {
                    return other.startsWith(base) && other.mid(base.size()).toInt() > name.mid(base.size()).toInt(); }))
                old.append(asShown(f.folder + "/" + name));
        }
        f.purge();
        QVERIFY(f.view.dialogVisible && !f.view.controlsEnabled && !f.view.progressVisible);
        QCOMPARE(f.view.purgeList, old);
        QCOMPARE(f.view.purgeListCaption, "Number of files to purge = " + QString::number(old.size()));
        const QString &info = f.view.latestInfo;
        if (twist == "no details") {
            for (const QString &file : old.mid(0, 2)) {
                QCOMPARE(info, "Latest Version found is " + asShown(f.folder + "/" + latest) + "\r\n(No file info available in current environment)");
                QCOMPARE(f.view.deleteInfo, "Delete " + file + " ?\r\n");
                f.answer(keys.left(1));
                keys.remove(0, 1);
            }
        }
        QVERIFY(f.view.deleteInfo.startsWith("Delete " + old.first() + " ?\r\nCreated: ") || twist == "no details");
        QVERIFY2(info.startsWith("Latest Version found is " + asShown(f.folder + "/" + latest) + "\r\n"), qPrintable(info));
        QVERIFY(twist == "no details" || (info.contains("\r\nCreated: ") && info.contains("\r\nLast Accessed: ") && info.contains("\r\nLast Modified: ")));
        const QString other = makeFolder(f.dir.path(), "other");
        if (twist == "browsed") {
            for (const QString &name : files + QStringList{"p.prt.7"})
                makeFile(other, name);
            f.recount(other);
            f.answer(keys.left(1));
            keys.remove(0, 1);
            QVERIFY2(info.startsWith("Latest Version found is " + asShown(f.folder + "/" + latest) + "\r\n"), qPrintable(info));
        }
        f.answer(keys);
        QCOMPARE(f.messages.texts().mid(2), QStringList{QString::number(files.size() - left.size()) + " Pro Eng Files Deleted!"});
        QCOMPARE(namesIn(f.folder), left);
        QCOMPARE(namesIn(other).size(), twist == "browsed" ? files.size() + 1 : 0);
        f.expectIdle();
    }

    // The Options menu's choices in a run: keep N, renumbering after the old versions are gone
    // (only those of models the user let go entirely), a new name in the way.
    void runOptions_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<int>("keep");
        QTest::addColumn<QString>("keys"); // answers of a confirmed run; none for a run unasked
        QTest::addColumn<QStringList>("left");
        QTest::addColumn<QStringList>("reports");
        const QStringList files = {"a.prt.1", "a.prt.2", "a.prt.3", "b.prt.4", "b.prt.5", "c.prt.7"};
        QTest::newRow("renumbered, unasked") << files << 1 << "" << QStringList{"a.prt.1", "b.prt.1", "c.prt.1"}
                                             << QStringList{"3 Pro Eng Files Deleted!", "3 Kept Versions Renumbered"};
        QTest::newRow("a model the user kept a version of keeps its names")
            << files << 1 << "NYY" << QStringList{"a.prt.1", "a.prt.3", "b.prt.1", "c.prt.1"}
            << QStringList{"2 Pro Eng Files Deleted!", "2 Kept Versions Renumbered"};
        QTest::newRow("keep 2, equal versions together")
            << QStringList{"a.prt.1", "a.prt.2", "a.prt.02", "a.prt.3"} << 2 << "A" << QStringList{"a.prt.1", "a.prt.2", "a.prt.3"}
            << QStringList{"1 Pro Eng Files Deleted!", "1 Kept Versions Renumbered"};
        QTest::newRow("the new name is another kept version's")
            << QStringList{"a.prt.0", "a.prt.01", "a.prt.1"} << 1 << "" << QStringList{"a.prt.01", "a.prt.1"}
            << QStringList{"1 Pro Eng Files Deleted!", "0 Kept Versions Renumbered",
                           "%1a.prt.01: cannot take the name a.prt.1: a file of that name exists"};
        QTest::newRow("to the trash, asked") << QStringList{"a.prt.1", "a.prt.2", "b.prt.3"} << 1 << "Y"
                                             << QStringList{"a.prt.1", "b.prt.1"}
                                             << QStringList{"1 Pro Eng Files Moved to Trash!", "2 Kept Versions Renumbered"};
        QTest::newRow("nothing old, names changed")
            << QStringList{"a.prt.4", "b.prt.9"} << 1 << "" << QStringList{"a.prt.1", "b.prt.1"}
            << QStringList{"No old versions of Pro Eng files found", "0 Pro Eng Files Deleted!", "2 Kept Versions Renumbered"};
    }

    void runOptions()
    {
        QFETCH(QStringList, files);
        QFETCH(int, keep);
        QFETCH(QString, keys);
        QFETCH(QStringList, left);
        QFETCH(QStringList, reports);
        EngineFixture f(files, !keys.isEmpty());
        f.view.options.keep = keep;
        f.view.options.renumber = true;
        f.view.options.trash = QByteArray(QTest::currentDataTag()).contains("trash");
#ifdef Q_OS_WIN
        if (f.view.options.trash)
            QSKIP("the Recycle Bin under Wine is this machine's own trash");
#endif
        const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
        const auto restore = qScopeGuard([&] { qputenv("XDG_DATA_HOME", dataHome); });
        qputenv("XDG_DATA_HOME", QFile::encodeName(f.dir.filePath("data")));
        f.purge();
        if (f.view.options.trash) {
            QVERIFY(f.view.deleteInfo.startsWith("Move " + asShown(f.folder + "/a.prt.1") + " to trash ?\r\n"));
            QCOMPARE(f.messages.texts().value(1), QString("Are you sure you want to move files to trash ?"));
        }
        f.answer(keys);
        QCOMPARE(namesIn(f.dir.filePath("data/Trash/files")), f.view.options.trash ? QStringList{"a.prt.1"} : QStringList());
        QStringList shown = f.messages.texts().mid(2);
        if (!f.messages.shown.last().details.isEmpty())
            shown.append(f.messages.shown.last().details);
        QCOMPARE(shown, reports.replaceInStrings("%1", asShown(f.folder + "/")));
        QCOMPARE(namesIn(f.folder), left);
        f.expectIdle();
    }

    void pinnedFolderRefusesBadName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("empty") << "";
        QTest::newRow("dot") << ".";
        QTest::newRow("dot dot") << "..";
        QTest::newRow("file beside the folder") << "../outside.prt.1";
        QTest::newRow("not ASCII, beside the folder") << QStringLiteral("../outsid\u00e9.prt.1");
        QTest::newRow("NUL after an existing name") << QStringLiteral("a.prt.1") + QChar(0) + "x";
        QTest::newRow("unpaired surrogate") << QStringLiteral("a.prt.1") + QChar(0xD800);
    }

    // Even with the identity of a file that is there, a name that is not one entry of the folder
    // deletes nothing and is given to no file, and is refused as what it is.
    void pinnedFolderRefusesBadName()
    {
        QFETCH(QString, name);
#ifdef Q_OS_WIN
        // Windows keeps names as UTF-16, unpaired surrogates included: such a name is a file
        // name there, of a file that is not in the folder.
        if (name.back().isSurrogate())
            QSKIP("a name like any other on Windows");
#endif
        QTemporaryDir tmp;
        const QString work = makeFolder(tmp.path(), "work");
        makeFile(work, "a.prt.1");
        makeFile(tmp.path(), "outside.prt.1");
        FileOperations system;
        PinnedFolder folder(work, readFolder(work).identity, system);
        for (bool rename : {false, true}) {
            try {
                rename ? folder.renameFile("a.prt.1", listedFile(work, "a.prt.1"), name)
                       : folder.removeFile(name, listedFile(work, "a.prt.1"));
                QFAIL("a bad name was taken");
            } catch (const PlatformError &error) {
                QCOMPARE(error.message(), PlatformError(asShown(work + "/") + name + ": not a file name").message());
            }
        }
        QCOMPARE(namesIn(work), QStringList{"a.prt.1"});
        QCOMPARE(namesIn(tmp.path()), (QStringList{"outside.prt.1", "work"}));
    }

    // The folder the user listed, reached through a link (with a trailing slash) and renamed away
    // after pinning; never another folder put in its place before.
    void pinnedFolderIsTheListedOne()
    {
        SKIP_WITHOUT_POSIX();
        QTemporaryDir tmp;
        const QString work = makeFolder(tmp.path(), "work"), old = tmp.filePath("old");
        makeFile(work, "a.prt.1");
        makeFile(work, "a.prt.2");
        QVERIFY(QFile::link(work, tmp.filePath("link")));
        const FolderIdentity listed = readFolder(tmp.filePath("link/")).identity;
        FileOperations system;
        PinnedFolder folder(tmp.filePath("link/"), listed, system);
        folder.removeFile("a.prt.1", listedFile(work, "a.prt.1"));
        QVERIFY(QDir(tmp.path()).rename("work", "old"));
        makeFile(makeFolder(tmp.path(), "work"), "a.prt.2", "new");
        folder.removeFile("a.prt.2", listedFile(old, "a.prt.2"));
        QCOMPARE(namesIn(old), QStringList());
        const qsizetype descriptors = QDir("/proc/self/fd").count();
        QVERIFY_THROWS_EXCEPTION(PlatformError, PinnedFolder(work, listed, system));
        QCOMPARE(QDir("/proc/self/fd").count(), descriptors); // the refused folder is not kept open
        QCOMPARE(namesIn(work), QStringList{"a.prt.2"});
        // What the system refuses is reported with its own reason: a folder that is not there, a
        // name it cannot look up.
        const auto reasonOf = [](const std::function<void()> &call) {
            try {
                call();
            } catch (const PlatformError &error) {
                return error.reason();
            }
            return QString("nothing refused");
        };
        QCOMPARE(reasonOf([&] { PinnedFolder(tmp.filePath("missing"), listed, system); }),
                 QString::fromLocal8Bit(std::strerror(ENOENT)));
        QCOMPARE(reasonOf([&] { folder.removeFile(QString(300, 'x'), listedFile(work, "a.prt.2")); }),
                 QString::fromLocal8Bit(std::strerror(ENAMETOOLONG)));
        // A kept version is checked by its own name again after a name that was refused.
        PinnedFolder current(work, readFolder(work).identity, system);
        const QString kept = "a.prt.2";
        const FileIdentity keptListed = listedFile(work, kept);
        for (const QString &name : {kept, QString("x/y"), kept})
            QCOMPARE(reasonOf([&] { current.expectSame(name, keptListed); }),
                     name == kept ? "nothing refused" : "not a file name");
    }

    // Trashed twice under the same name, a file is in the trash with a record of where it was and
    // when it went, and comes back whole to where the record says; the second gets its own name.
    void pinnedFolderTrashesToTheHomeTrash()
    {
#ifdef Q_OS_WIN
        QSKIP("the Recycle Bin under Wine is this machine's own trash");
#endif
        QTemporaryDir tmp;
        const PrivateDataHome data(tmp.filePath("data"));
        const QString work = makeFolder(tmp.path(), "work"), name = QStringLiteral("a b\u00E9.prt.1");
        const QString trash = tmp.filePath("data/Trash");
        const QByteArray path = QUrl::toPercentEncoding(QFileInfo(work).canonicalFilePath(), "/") + "/a%20b%C3%A9.prt.1";
        QStringList bases, stray;
        const qsizetype descriptors = QDir("/proc/self/fd").count();
        for (const QByteArray content : {"first", "second"}) {
            makeFile(work, name, content);
            if (!bases.isEmpty()) { // a file in the trash without its record keeps its name
                stray.append(name + ".2");
                makeFile(trash + "/files", stray.last(), "stray");
            }
            FileOperations system;
            PinnedFolder folder(work, readFolder(work).identity, system);
            const QDateTime before = QDateTime::currentDateTime().addMSecs(-999);
            folder.trashFile(name, listedFile(work, name));
            const QDateTime after = QDateTime::currentDateTime();
            QCOMPARE(namesIn(work), QStringList());
            bases.append(name + (bases.isEmpty() ? "" : ".3"));
            QCOMPARE(namesIn(trash + "/files"), sorted(bases + stray));
            const QHash<QString, QString> record = trashRecord(trash + "/info/" + bases.last() + ".trashinfo");
            QCOMPARE(record.value(""), "[Trash Info]");
            QCOMPARE(record.value("Path"), path);
            const QDateTime deleted = QDateTime::fromString(record.value("DeletionDate"), "yyyy-MM-ddTHH:mm:ss");
            QVERIFY2(deleted >= before && deleted <= after, qPrintable(record.value("DeletionDate")));
        }
        QCOMPARE(namesIn(trash + "/info").size(), 2);
        QCOMPARE(QDir("/proc/self/fd").count(), descriptors); // the folder and its trash are let go
        for (int i : {0, 1}) { // restored as a file manager does
            const QString restored = QUrl::fromPercentEncoding(trashRecord(trash + "/info/" + bases[i] + ".trashinfo").value("Path").toLatin1());
            QVERIFY(QFile::rename(trash + "/files/" + bases[i], restored));
            QFile file(work + "/" + name);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), QByteArray(i ? "second" : "first"));
            QVERIFY(file.remove());
        }
    }

    void pinnedFolderTrashesOnItsOwnFileSystem_data()
    {
        QTest::addColumn<QString>("trash");  // what is at the top of the mount; %1 is the user's ID
        QTest::addColumn<QString>("trashed"); // where the file goes, empty where it is refused
        QTest::newRow("none") << "" << "";
        QTest::newRow("shared, sticky") << ".Trash 1777" << ".Trash/%1/files";
        QTest::newRow("shared, not sticky") << ".Trash 0777" << "";
        QTest::newRow("shared, a link to a sticky folder") << ".Trash link" << "";
        QTest::newRow("the user's own") << ".Trash-%1 0700" << ".Trash-%1/files";
        QTest::newRow("the user's, owned by another") << ".Trash-%1 other" << "";
        QTest::newRow("the home trash, on this file system") << "data" << "data/Trash/files";
    }

    // On a file system of its own (a tmpfs), a file goes to the home trash where the user's data
    // folder would be on it, else to the trash at its top, only where that trash was set up
    // before; else it stays, and no trash anywhere is made or gets anything.
    void pinnedFolderTrashesOnItsOwnFileSystem()
    {
        QFETCH(QString, trash);
        QFETCH(QString, trashed);
        SKIP_WITHOUT_POSIX();
        QTemporaryDir tmp;
        const PrivateDataHome data(tmp.filePath("data"));
        const QString top = makeFolder(tmp.path(), "mount");
        if (!runs("mount", {"-t", "tmpfs", "-o", "size=1m", "tmpfs", top}))
            QSKIP("a tmpfs cannot be mounted here (root only)");
        const auto unmount = qScopeGuard([&] { runs("umount", {"-l", top}); });
        const QString uid = QString::number(QFileInfo(makeFile(top, "probe")).ownerId());
        QVERIFY(QFile::remove(top + "/probe"));
        const QString entry = trash.section(' ', 0, 0).replace("%1", uid), how = trash.section(' ', 1);
        if (entry == "data") { // not made yet: where it would be decides
            qputenv("XDG_DATA_HOME", QFile::encodeName(top + "/data"));
        } else if (how == "link") {
            QVERIFY(runs("chmod", {"1777", makeFolder(top, "sticky")}) && QFile::link(top + "/sticky", top + "/" + entry));
        } else if (!entry.isEmpty()) {
            makeFolder(top, entry);
            QVERIFY(how == "other" ? runs("chown", {"65534", top + "/" + entry}) : runs("chmod", {how, top + "/" + entry}));
        }
        const QStringList before = namesIn(top);
        const QString work = makeFolder(top, "deep/work");
        makeFile(work, "a.prt.1", "one");
        FileOperations system;
        const qsizetype descriptors = QDir("/proc/self/fd").count();
        std::optional<PinnedFolder> folder;
        folder.emplace(work, readFolder(work).identity, system);
        try {
            folder->trashFile("a.prt.1", listedFile(work, "a.prt.1"));
            QVERIFY2(!trashed.isEmpty(), "trashed without a trash");
            QCOMPARE(namesIn(top + "/" + trashed.arg(uid)), QStringList{"a.prt.1"});
            const QString info = top + "/" + trashed.arg(uid).replace("/files", "/info/a.prt.1.trashinfo");
            QCOMPARE(trashRecord(info).value("Path"), QFileInfo(work).canonicalFilePath() + "/a.prt.1");
        } catch (const PlatformError &error) {
            QVERIFY2(trashed.isEmpty(), qPrintable(error.message()));
            QCOMPARE(error.reason(), "no trash on its file system; not moved");
            QCOMPARE(namesIn(work), QStringList{"a.prt.1"});
            QCOMPARE(namesIn(top), sorted(before + QStringList{"deep"}));
            QCOMPARE(namesIn(top + "/sticky"), QStringList());
        }
        QVERIFY(!QFileInfo::exists(tmp.filePath("data/Trash")));
        folder.reset();
        QCOMPARE(QDir("/proc/self/fd").count(), descriptors); // the search for a trash keeps nothing open
    }

    void pinnedFolderMovesNothingReplaced_data()
    {
        QTest::addColumn<QString>("to"); // the new name; empty to move to the trash
        QTest::addColumn<bool>("replaced"); // else only taken away
        QTest::addColumn<int>("refusal"); // nothing taken: the system refuses the move so
        QTest::addColumn<bool>("numbersKept"); // else known by size and times, as on FAT or FUSE
        QTest::newRow("trash, replaced") << "" << true << 0 << true;
        QTest::newRow("rename, replaced") << "a.prt.2" << true << 0 << true;
        QTest::newRow("trash, taken away") << "" << false << 0 << true;
        QTest::newRow("rename, taken away") << "a.prt.2" << false << 0 << true;
#ifndef Q_OS_WIN
        QTest::newRow("trash, refused by the system") << "" << false << EIO << true;
        QTest::newRow("trash, replaced, inode numbers not kept") << "" << true << 0 << false;
#endif
    }

    // Another program takes the file away between the check and the move, and may put its own in
    // that name: that file is where it was, under its name, and in no trash. A move the system
    // refuses leaves the listed file where it was, and gives the system's reason.
    void pinnedFolderMovesNothingReplaced()
    {
        QFETCH(QString, to);
        QFETCH(bool, replaced);
        QFETCH(int, refusal);
        QFETCH(bool, numbersKept);
#ifdef Q_OS_WIN
        if (to.isEmpty())
            QSKIP("the Recycle Bin under Wine is this machine's own trash");
#endif
        QTemporaryDir tmp;
        const PrivateDataHome data(tmp.filePath("data"));
        const QString work = makeFolder(tmp.path(), "work");
        makeFile(work, "a.prt.1", "listed");
        RacingOperations racing;
        FolderIdentity identity = readFolder(work).identity;
        FileIdentity listed = listedFile(work, "a.prt.1");
        int descriptor = -1;
#ifndef Q_OS_WIN
        racing.renameRefusal = refusal;
        if (!numbersKept) {
            // The folder as its lister left it, on a file system whose change times tell files
            // apart but whose inode numbers do not: the other file, of the same size, is told
            // apart by its modification time.
            identity.inodesKept = false;
            racing.changeStamps = true;
            descriptor = ::open(QFile::encodeName(work).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            QCOMPARE(racing.status(descriptor, "a.prt.1", listed), 0);
        }
#endif
        PinnedFolder folder(work, identity, racing, descriptor);
#ifndef Q_OS_WIN
        if (descriptor >= 0)
            ::close(descriptor); // the folder holds a descriptor of its own
#endif
        if (!refusal) {
            racing.beforeRename = [&](const QString &) {
                QVERIFY(QFile::rename(work + "/a.prt.1", tmp.filePath("moved")));
                if (replaced)
                    makeFile(work, "a.prt.1", "others");
            };
        }
        try {
            to.isEmpty() ? folder.trashFile("a.prt.1", listed) : folder.renameFile("a.prt.1", listed, to);
            QFAIL("another program's file was moved");
        } catch (const PlatformError &error) {
            QCOMPARE(error.message(), asShown(work + "/a.prt.1") + (refusal ? ": " + QString::fromLocal8Bit(std::strerror(refusal)) : replaced ? ": has been replaced by another file since it was listed" : ": is gone"));
        }
        QVERIFY(!racing.beforeRename);
        QCOMPARE(namesIn(work), replaced || refusal ? QStringList{"a.prt.1"} : QStringList());
        QFile other(work + "/a.prt.1");
        QCOMPARE(other.open(QIODevice::ReadOnly) ? other.readAll() : QByteArray(), replaced ? "others" : refusal ? "listed" : "");
        QCOMPARE(namesIn(tmp.filePath("data/Trash/files")), QStringList());
        QCOMPARE(namesIn(tmp.filePath("data/Trash/info")), QStringList());
    }

    // Where change times tell files apart, deleting one name of a file moves the time of its other
    // names, which still go as listed; a file put in the name after its status call never goes;
    // a deletion the system refuses leaves both names. What was held to learn the time is let go.
    void pinnedFolderDeletesEachNameOfTheListedFileOnly()
    {
#ifdef Q_OS_WIN
        QSKIP("change times as stamps are a Linux file system's");
#else
        for (const int refusal : {0, -1, EIO}) { // -1: another program's race, not a refusal
            const bool race = refusal < 0;
            QTemporaryDir tmp;
            const QString work = makeFolder(tmp.path(), "work");
            makeFile(work, "a.prt.1", "listed");
            QVERIFY(::link(QFile::encodeName(work + "/a.prt.1").constData(), QFile::encodeName(work + "/a.prt.2").constData()) == 0);
            RacingOperations racing;
            racing.changeStamps = true;
            FileIdentity listed[2];
            for (const int i : {0, 1})
                QCOMPARE(racing.status(AT_FDCWD, QFile::encodeName(work + "/a.prt." + QString::number(i + 1)).constData(), listed[i]), 0);
            QVERIFY(listed[0].stampIsChange && listed[0].links == 2);
            QTest::qSleep(20); // the deletion gives the file a change time of its own
            PinnedFolder folder(work, readFolder(work).identity, racing);
            bool raced = false;
            racing.afterStatus = [&](const QString &name) {
                if (!race || raced || name != "a.prt.1")
                    return;
                raced = true;
                makeFile(work, "new", "other");
                std::filesystem::rename(QFile::encodeName(work + "/new").constData(), QFile::encodeName(work + "/a.prt.1").constData());
            };
            racing.removeRefusal = std::max(refusal, 0);
            const qsizetype descriptors = QDir("/proc/self/fd").count();
            try {
                folder.removeFile("a.prt.1", listed[0]);
                folder.removeFile("a.prt.2", listed[1]);
                QCOMPARE(refusal, 0);
                QCOMPARE(namesIn(work), QStringList());
            } catch (const PlatformError &error) {
                QVERIFY2(refusal != 0, qPrintable(error.message()));
                QCOMPARE(error.message(), asShown(work + "/a.prt.1") + (race ? ": has been replaced by another file since it was listed" : ": " + QString::fromLocal8Bit(std::strerror(refusal))));
                QCOMPARE(namesIn(work), (QStringList{"a.prt.1", "a.prt.2"}));
                QFile other(work + "/a.prt.1");
                QVERIFY(other.open(QIODevice::ReadOnly));
                QCOMPARE(other.readAll(), QByteArray(race ? "other" : "listed"));
            }
            QCOMPARE(QDir("/proc/self/fd").count(), descriptors);
        }
#endif
    }

    void pinnedFolderRenamesWithoutReplacing_data()
    {
        QTest::addColumn<QString>("to");
        QTest::addColumn<QStringList>("left");
        QTest::addColumn<QString>("reason"); // why it is refused; empty when it is not
        const QString taken = ": a file of that name exists";
        QTest::newRow("free name") << "a.prt.3" << QStringList{"a.prt.2", "a.prt.3"} << "";
        QTest::newRow("name taken") << "a.prt.2" << QStringList{"a.prt.1", "a.prt.2"} << "cannot take the name a.prt.2" + taken;
        QTest::newRow("its own name") << "a.prt.1" << QStringList{"a.prt.1", "a.prt.2"} << "cannot take the name a.prt.1" + taken;
#ifndef Q_OS_WIN
        // Any other refusal is the system's own reason.
        QTest::newRow("name too long") << QString(300, 'x') << QStringList{"a.prt.1", "a.prt.2"} << QString::fromLocal8Bit(std::strerror(ENAMETOOLONG));
#endif
    }

    // A rename moves the listed file to a free name, and never takes a name that is there.
    void pinnedFolderRenamesWithoutReplacing()
    {
        QFETCH(QString, to);
        QFETCH(QStringList, left);
        QFETCH(QString, reason);
        QTemporaryDir tmp;
        const QString work = makeFolder(tmp.path(), "work");
        makeFile(work, "a.prt.1", "one");
        makeFile(work, "a.prt.2", "two");
        FileOperations system;
        PinnedFolder folder(work, readFolder(work).identity, system);
        const FileIdentity listed = listedFile(work, "a.prt.1");
        try {
            folder.renameFile("a.prt.1", listed, to);
            QCOMPARE(reason, QString());
            QCOMPARE(left, QStringList({"a.prt.2", to}));
            folder.expectSame(to, listed); // the same file under its new name
        } catch (const PlatformError &error) {
            QCOMPARE(error.path(), asShown(work + "/a.prt.1"));
            QCOMPARE(error.reason(), reason);
        }
        QCOMPARE(namesIn(work), left);
        for (const QString &name : left) {
            QFile file(work + "/" + name);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), name == "a.prt.2" ? "two" : "one");
        }
    }

    // A folder that cannot be opened is reported with the system's own reason, naming it.
    void unopenableFolderSaysWhy_data()
    {
        QTest::addColumn<QString>("what");
        QTest::addColumn<int>("error");
        QTest::newRow("missing") << "missing" << ENOENT;
        QTest::newRow("a file") << "file.prt.1" << ENOTDIR;
    }
    void unopenableFolderSaysWhy()
    {
        SKIP_WITHOUT_POSIX(); // the reasons are the C library's
        QFETCH(QString, what);
        QFETCH(int, error);
        QTemporaryDir tmp;
        makeFile(tmp.path(), "file.prt.1");
        const QString path = tmp.filePath(what);
        try {
            readFolder(path);
            QFAIL("read a folder that is not there");
        } catch (const PlatformError &failure) {
            QCOMPARE((QStringList{failure.path(), failure.reason()}),
                     (QStringList{path, QString::fromLocal8Bit(std::strerror(error))}));
        }
    }

    // A folder large enough that its entries are read on several threads and merged lists every
    // entry once, in file-name order (names that differ only in case next to each other), each
    // with its own identity, links shown as what they point to.
    void largeFolderListedWhole()
    {
        SKIP_WITHOUT_POSIX();
        QTemporaryDir tmp((QFileInfo("/dev/shm").isWritable() ? "/dev/shm" : QDir::tempPath()) + "/test_engine-XXXXXX");
        const QString work = makeFolder(tmp.path(), "work");
        QStringList files, folders, realFolders;
        for (int i = 0; i < 12000; ++i) {
            QString name = QString("f%1.prt.%2").arg(i % 1000).arg(i / 1000);
            if (i % 3 == 1)
                name = name.toUpper();
            else if (i % 7 == 2)
                name.replace("f", "\u00e9");
            if (i % 200 == 7) {
                QVERIFY(QFile::link(name + ".none", work + "/" + name)); // dangling: neither
            } else if (i % 200 == 9) {
                QVERIFY(QFile::link(files.last(), work + "/" + name));
                files << name;
            } else if (i % 500 == 11) {
                makeFolder(work, name);
                folders << name;
                realFolders << name;
            } else {
                makeFile(work, name);
                files << name;
                if (i % 300 == 1) { // its twin in lower case
                    makeFile(work, name.toLower());
                    files << name.toLower();
                }
            }
        }
        // Names shorter than eight bytes, some the start of others.
        for (const char *name : {"f1", "f10", "f1.prt", "b", "ab", "F1", "\u00e9"}) {
            makeFile(work, QString::fromUtf8(name));
            files << QString::fromUtf8(name);
        }
        sortFileNames(files);
        sortFileNames(folders);
        sortFileNames(realFolders);
        const FolderListing listing = readFolder(work);
        QCOMPARE(listing.files, files);
        QCOMPARE(listing.folders, folders);
        QCOMPARE(listing.realFolders, realFolders);
        QCOMPARE(listing.fileIdentities.size(), files.size());
#ifndef Q_OS_WIN
        for (qsizetype i = 0; i < listing.files.size(); ++i) {
            struct stat status;
            QCOMPARE(::lstat(QFile::encodeName(work + "/" + listing.files[i]).constData(), &status), 0);
            const FileIdentity &identity = listing.fileIdentities[i];
            QCOMPARE(identity.inode, quint64(status.st_ino));
            QCOMPARE(identity.device, quint64(major(status.st_dev)) << 32 | minor(status.st_dev));
            QCOMPARE(identity.kind, S_ISLNK(status.st_mode) ? FileIdentity::Kind::Link : FileIdentity::Kind::File);
        }
#endif
    }

    // A tree walk with two folders open at a time, while another program moves a folder the walk
    // has closed and puts a new one in its place: coming back, the walk finds out, says so once and
    // leaves what is left below it; the folder moved along with it is still reached through "..".
    void treeWalkComesBackToTheFoldersItListed()
    {
        SKIP_WITHOUT_POSIX(); // on Windows each folder is opened by its path and held open
        QTemporaryDir tmp;
        for (const char *folder : {"top/a/b/c", "top/a/b/c2", "top/a/b2", "top/z"})
            makeFolder(tmp.path(), folder);
        const QString top = tmp.filePath("top");
        QStringList seen;
        FolderTree tree;
        tree.setOpenLimit(2);
        tree.walk(top, true, [&](const FolderTree::Folder &folder) {
            seen.append(QDir(tmp.path()).relativeFilePath(folder.path) + (folder.error.isEmpty() ? "" : ": " + folder.error));
            if (folder.path.endsWith("/c")) {
                QVERIFY(QDir(top).rename("a/b", "b-moved") && QDir(top).rename("a", "a-old"));
                makeFolder(top, "a");
            }
        });
        QCOMPARE(seen, (QStringList{"top", "top/a", "top/a/b", "top/a/b/c", "top/a/b/c2",
                                    "top/a: was moved while the tree was walked; the folders left below it are not purged",
                                    "top/z"}));
    }
};

QTEST_MAIN(TestEngine)
#include "test_engine.moc"

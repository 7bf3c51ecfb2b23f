#include "commandline.h"
#include "testsupport.h"

#include <QDirIterator>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kAbort = "Aborting Purge because files cannot be deleted - possible write protection!";
const QString kTryHelp = "\nTry 'vintrex --help' for more information.\n";

// Every file below a folder, links to folders not followed.
QStringList filesBelow(const QString &root)
{
    QStringList files;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext())
        files.append(QDir(root).relativeFilePath(it.next()));
    return sorted(files);
}

// With VINTREX_WINDOWS_PROGRAM set (scripts/check-windows sets it), the rows are run against
// that vintrex.exe under Wine: the rows Wine cannot show are skipped with the reason, and the
// paths the program prints are written with "\\" and its lines end in CR LF, as Windows programs'
// do. Wine shows a symbolic link to a folder as the folder itself, and hides a folder by its
// attribute, not by a leading dot, so there the tree has no link and no hidden folder.
QString windowsProgram()
{
    return qEnvironmentVariable("VINTREX_WINDOWS_PROGRAM");
}

QString notUnderWine(const QString &setup, const QString &err)
{
    if (setup == "tmpfs" || setup == "bind")
        return "Wine shows every Unix file system as one drive";
    if (setup.startsWith("odd"))
        return "Windows names hold no control characters";
    if (setup == "undecodable")
        return "Wine shows no name that is not valid UTF-8";
    if (setup.startsWith("race"))
        return "the other program is a library a Windows program does not load";
    if (setup == "link")
        return "Wine shows a symbolic link to a folder as the folder itself";
    if (setup == "unreadable" || setup == "protected" || err.contains("cannot read"))
        return "Wine words the system's errors its own way";
    return {};
}

// A place for a temporary folder of many files: in memory where there is a tmpfs, as making and
// removing them on a disk takes long.
QString inMemory()
{
    return (QFileInfo("/dev/shm").isWritable() ? "/dev/shm" : QDir::tempPath()) + "/test_cli-XXXXXX";
}

struct Result
{
    int status = -1;
    QByteArray out, err;
};

// The program as a user runs it in `folder`, without a display; with `environment` added. As
// root it runs without the power to override permissions, which stops a user.
Result vintrex(const QString &folder, const QStringList &arguments, const QStringList &environment = {},
               const QString &shell = {})
{
    QProcess process;
    process.setWorkingDirectory(folder);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(name);
    for (const QString &setting : environment)
        env.insert(setting.section('=', 0, 0), setting.section('=', 1));
    process.setProcessEnvironment(env);
    if (::geteuid() == 0)
        process.setChildProcessModifier([] {
            if (::prctl(PR_CAPBSET_DROP, CAP_DAC_OVERRIDE) || ::prctl(PR_CAPBSET_DROP, CAP_DAC_READ_SEARCH))
                ::_exit(77);
        });
    // With `shell`, a shell sets limits before it becomes the program.
    if (!windowsProgram().isEmpty())
        process.start("/usr/lib/wine/wine64", QStringList{windowsProgram()} + arguments);
    else if (shell.isEmpty())
        process.start(VINTREX_PROGRAM, arguments);
    else
        process.start("/bin/sh", QStringList{"-c", shell + "; exec \"$0\" \"$@\"", VINTREX_PROGRAM} + arguments);
    if (!process.waitForFinished(120000))
        return {};
    return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
}

} // namespace

class TestCommandLine : public QObject
{
    Q_OBJECT

private slots:
    // Against vintrex.exe under Wine only the rows of `purge` run: the names, depths, mounts and
    // file systems the others need are not Windows'.
    void init()
    {
        if (!windowsProgram().isEmpty() && QTest::currentTestFunction() != QLatin1String("purge"))
            QSKIP("not run against vintrex.exe: it needs names, depths or mounts Windows has not");
    }

    // The program as a user runs it, without a display, on a tree of project folders beside a
    // folder that a link in the tree leads to.
    void purge_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        QTest::addColumn<QStringList>("deleted");
        const QStringList top = {"tree/a.prt.1", "tree/b.asm.1"};
        const QStringList all = top + QStringList{"tree/sub/m.drw.1", "tree/sub/deeper/x.prt.5"};
        const QString treeReport = "tree: 2 Pro Eng Files Deleted!\ntree/sub: 1 Pro Eng Files Deleted!\n"
                                   "tree/sub/deeper: 1 Pro Eng Files Deleted!\n";
        QTest::newRow("named folder only") << "" << QStringList{"--purge", "tree/"} << 0
                                           << "tree: 2 Pro Eng Files Deleted!\n" << "" << top;
        QTest::newRow("tree, link and hidden folder not entered")
            << "" << QStringList{"--purge", "-r", "tree"} << 0 << treeReport << "" << all;
        QTest::newRow("another file system not entered")
            << "tmpfs" << QStringList{"--purge", "--recursive", "tree"} << 0 << treeReport << "" << all;
        QTest::newRow("dry run") << "" << QStringList{"--purge", "-rn", "tree"} << 0 << all.join('\n') + '\n'
                                 << "" << QStringList();
        QTest::newRow("pattern, verbose, folder twice")
            << "" << QStringList{"--purge", "-v", "--pattern", "*.PRT.*", "tree", "tree/sub", "./tree"} << 0
            << "tree/a.prt.1\ntree: 1 Pro Eng Files Deleted!\ntree/sub: No Pro Eng Files found\n" << ""
            << QStringList{"tree/a.prt.1"};
        QTest::newRow("unreadable folder") << "unreadable" << QStringList{"--purge", "-r", "tree"} << 1
                                           << "tree: 2 Pro Eng Files Deleted!\n"
                                           << "vintrex: cannot read tree/sub: Permission denied\n" << top;
        QTest::newRow("write-protected folder among others")
            << "protected" << QStringList{"--purge", "-r", "tree"} << 1
            << "tree: 2 Pro Eng Files Deleted!\ntree/sub: 0 Pro Eng Files Deleted!\n"
               "tree/sub/deeper: 1 Pro Eng Files Deleted!\n"
            << "vintrex: tree/sub: " + kAbort + "\nvintrex: tree/sub/m.drw.1: Permission denied\n"
            << top + QStringList{"tree/sub/deeper/x.prt.5"};
        QTest::newRow("folder opened as the system finds it, printed as typed")
            << "link" << QStringList{"--purge", "-v", "tree/link/../outside"} << 0
            << "tree/link/../outside/o.prt.1\ntree/link/../outside: 1 Pro Eng Files Deleted!\n" << ""
            << QStringList{"outside/o.prt.1"};
        QTest::newRow("bind mount not entered") << "bind" << QStringList{"--purge", "-r", "tree"} << 0 << treeReport
                                                << "" << all;
        QTest::newRow("folder name that is no text") << "undecodable" << QStringList{"--purge", "-r", "tree"} << 1
            << treeReport << "vintrex: cannot read 'tree/'$'\\377': the name is not valid UTF-8, so the folder is not purged\n"
            << all;
        // Another program inside the run: right after a deletion it moves a file or folder away.
        QTest::newRow("latest version moved away during the run")
            << "race tree/c.prt.1 tree/c.prt.3" << QStringList{"--purge", "tree"} << 1 << "tree: 3 Pro Eng Files Deleted!\n"
            << "vintrex: tree: " + kAbort + "\nvintrex: tree/c.prt.3: is gone\nvintrex: This is the latest version "
               "of its model, which the purge keeps; no older version of it is deleted.\n"
            << top + QStringList{"tree/c.prt.1"};
        QTest::newRow("latest version moved away, the other folders purged at once")
            << "race tree/c.prt.1 tree/c.prt.3" << QStringList{"--purge", "-r", "-j", "4", "tree"} << 1
            << "tree: 3 Pro Eng Files Deleted!\ntree/sub: 1 Pro Eng Files Deleted!\ntree/sub/deeper: 1 Pro Eng Files Deleted!\n"
            << "vintrex: tree: " + kAbort + "\nvintrex: tree/c.prt.3: is gone\nvintrex: This is the latest version "
               "of its model, which the purge keeps; no older version of it is deleted.\n"
            << all + QStringList{"tree/c.prt.1"};
        // One folder at a time, the walk comes to the folder only once the one before is purged.
        QTest::newRow("folder removed during the walk")
            << "race tree/a.prt.1 tree/sub" << QStringList{"--purge", "-r", "-j", "1", "tree"} << 0 << "tree: 2 Pro Eng Files Deleted!\n"
            << "vintrex: tree/sub: was removed while the tree was walked\n" << top;
        QTest::newRow("version that is no number") << "bad" << QStringList{"--purge", "tree"} << 1 << ""
            << "vintrex: tree: Error - Aborting\nvintrex: tree/a.prt.+1: its version is not a number, so no file of "
               "this folder is deleted\n" << QStringList();
        // Names that hold a newline or could drive a terminal: every path printed is one line,
        // quoted as coreutils quotes it; with -0 the paths are the bytes themselves, for xargs -0.
        const QString odd = QString::fromUtf8("d\xc2\x9b" "2J"), quoted = "'d'$'\\302\\233''2J",
                      title = quoted + "/a'$'\\033'']0;T'$'\\a''.prt.1'", newline = quoted + "/victimé.prt.9'$'\\n''q.prt.1'";
        const QStringList oddOld = {odd + "/a\x1b]0;T\a.prt.1", odd + "/victimé.prt.9\nq.prt.1"};
        const QString nulEnded = oddOld.join(QChar(0)) + QChar(0);
        QTest::newRow("odd names, dry run") << "odd" << QStringList{"--purge", "-n", odd} << 0 << title + "\n" + newline + "\n"
                                            << "" << QStringList();
        QTest::newRow("odd names, dry run, NUL") << "odd" << QStringList{"--purge", "-n0", odd} << 0 << nulEnded << ""
                                                 << QStringList();
        QTest::newRow("odd names, verbose, NUL") << "odd" << QStringList{"--purge", "-v", "--null", odd} << 0 << nulEnded
                                                 << quoted + "': 2 Pro Eng Files Deleted!\n" << oddOld;
        QTest::newRow("odd names, write-protected") << "odd protected" << QStringList{"--purge", "-v", odd} << 1
            << quoted + "': 0 Pro Eng Files Deleted!\n"
            << "vintrex: " + quoted + "': " + kAbort + "\nvintrex: " + title + ": Permission denied\n" << QStringList();
        QTest::newRow("missing folder among others")
            << "" << QStringList{"--purge", "gone", "tree"} << 1 << "tree: 2 Pro Eng Files Deleted!\n"
            << "vintrex: cannot read gone: No such file or directory\n" << top;
        QTest::newRow("no folder") << "" << QStringList{"--purge"} << 2 << ""
                                   << "vintrex: --purge needs a folder" + kTryHelp << QStringList();
        QTest::newRow("option without --purge") << "" << QStringList{"-n", "tree"} << 2 << ""
                                                << "vintrex: --dry-run goes with --purge" + kTryHelp << QStringList();
        QTest::newRow("bad pattern") << "" << QStringList{"--purge", "--pattern", "sub/*", "tree"} << 2 << ""
                                     << "vintrex: Invalid pattern: sub/*" + kTryHelp << QStringList();
        QTest::newRow("window on a file") << "" << QStringList{"tree/a.prt.2"} << 2 << ""
                                          << "vintrex: tree/a.prt.2: not a folder" + kTryHelp << QStringList();
    }
    void purge()
    {
        QFETCH(QString, setup);
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, out);
        QFETCH(QString, err);
        QFETCH(QStringList, deleted);
        const QString wine = windowsProgram();
        if (!wine.isEmpty()) {
            if (const QString reason = notUnderWine(setup, err); !reason.isEmpty())
                QSKIP(qPrintable("not shown under Wine: " + reason));
            out.replace('/', '\\'); // nothing but the paths has one
            if (setup == "bad")
                err.replace("tree/", "tree\\");
            out.replace("\n", "\r\n");
            err.replace("\n", "\r\n");
        }
        QTemporaryDir tmp;
        const QString tree = makeFolder(tmp.path(), "tree"), sub = makeFolder(tree, "sub");
        for (const char *name : {"tree/a.prt.1", "tree/a.prt.2", "tree/b.asm.1", "tree/b.asm.3", "tree/notes.txt",
                                    "tree/sub/m.drw.1", "tree/sub/m.drw.2", "tree/sub/deeper/x.prt.5",
                                    "tree/sub/deeper/x.prt.7", "tree/.hidden/h.prt.1", "tree/.hidden/h.prt.2",
                                    "outside/o.prt.1", "outside/o.prt.2"}) {
            if (!wine.isEmpty() && QString(name).startsWith("tree/.hidden"))
                continue;
            makeFolder(tmp.path(), QFileInfo(name).path());
            makeFile(tmp.path(), name);
        }
        if (wine.isEmpty())
            QVERIFY(QFile::link("../outside", tree + "/link"));
        const QString mount = sub + "/mnt";
        QStringList environment;
        const QStringList race = setup.split(' ');
        const QString oddFolder = tmp.filePath(QString::fromUtf8("d\xc2\x9b" "2J"));
        const QString locked = setup.startsWith("odd") ? oddFolder : sub; // where permissions are taken away
        auto undo = qScopeGuard([&] {
            QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            if (setup == "tmpfs" || setup == "bind")
                runs("umount", {mount});
            const QByteArray undecodable = QFile::encodeName(tree) + "/\xff";
            for (const char *name : {"/u.prt.1", "/u.prt.2"})
                ::unlink(undecodable + name);
            ::rmdir(undecodable); // a name QTemporaryDir cannot remove
        });
        if (setup == "tmpfs" || setup == "bind") {
            makeFolder(sub, "mnt");
            if (setup == "tmpfs" ? !runs("mount", {"-t", "tmpfs", "vintrex-test", mount})
                                 : !runs("mount", {"--bind", tmp.filePath("outside"), mount}))
                QSKIP("no file system can be mounted here");
            makeFile(mount, "t.prt.1");
            makeFile(mount, "t.prt.2");
        } else if (setup == "bad") {
            makeFile(tree, "a.prt.+1");
        } else if (setup == "undecodable") {
            QCOMPARE(::mkdir(QFile::encodeName(tree) + "/\xff", 0700), 0);
            makeRawFile(tree, "\xff/u.prt.1");
            makeRawFile(tree, "\xff/u.prt.2");
        } else if (setup.startsWith("odd")) {
            for (const char *name : {"victimé.prt.9", "victimé.prt.9\nq.prt.1", "victimé.prt.9\nq.prt.2",
                                     "a\x1b]0;T\a.prt.1", "a\x1b]0;T\a.prt.2"})
                makeFile(makeFolder(tmp.path(), QFileInfo(oddFolder).fileName()), name);
        } else if (race.first() == "race") {
            for (const char *name : {"c.prt.1", "c.prt.2", "c.prt.3"})
                if (race[1].contains("c.prt"))
                    makeFile(tree, name);
            environment = QStringList{"LD_PRELOAD=" RACER_LIBRARY, "RACER_AFTER=" + QFileInfo(race[1]).fileName(),
                                      "RACER_FROM=" + race[2], "RACER_TO=outside/moved"};
        }
        // Taken while every folder can still be read: only root lists an unreadable one.
        const QStringList before = filesBelow(tmp.path());
        if (setup.endsWith("protected") || setup == "unreadable")
            QVERIFY(QFile::setPermissions(locked, setup.endsWith("protected") ? QFile::ReadOwner | QFile::ExeOwner
                                                                              : QFile::Permissions()));

        const Result run = vintrex(tmp.path(), arguments, environment);
        if (run.status == 77)
            QSKIP("root cannot give up overriding permissions here");
        QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (race.first() == "race") // what was moved away, back in its place
            QVERIFY(QFile::rename(tmp.filePath("outside/moved"), tmp.filePath(race[2])));
        // A run over several folders ends with its totals: the files that went (or would go).
        QString said = QString::fromUtf8(run.err);
        static const QRegularExpression totals("vintrex: (\\d+) files (deleted|to go) in (\\d+) folders, 0 bytes (freed|to free)\r?\n$");
        if (const QRegularExpressionMatch match = totals.match(said); match.hasMatch()) {
            QCOMPARE(match.captured(1).toInt(), match.captured(2) == "to go" ? int(out.count('\n')) : int(deleted.size()));
            QVERIFY(match.captured(3).toInt() > 1);
            said.chop(match.capturedLength());
        }
        QCOMPARE(said, err);
        QCOMPARE(QString::fromUtf8(run.out), out);
        QCOMPARE(run.status, status);
        QStringList left = before;
        for (const QString &file : deleted)
            QVERIFY(left.removeOne(file));
        QCOMPARE(filesBelow(tmp.path()), left);
    }

    // A tree deeper than any path the system takes, under a small stack and few descriptors: every
    // level is purged, and nothing is said but the reports. Beside each of its first 400 levels
    // an empty folder: more than the descriptors allowed, were a folder with nothing below kept open.
    void deepTree()
    {
        constexpr int levels = 20000, besides = 400;
        QTemporaryDir tmp(inMemory());
        // rm removes the tree, which QTemporaryDir cannot, even when a check below fails.
        const auto remove = qScopeGuard([&] { runs("rm", {"-rf", "--", tmp.path()}); });
        const int top = ::open(QFile::encodeName(tmp.path()), O_RDONLY | O_DIRECTORY);
        int fd = ::dup(top);
        for (int level = 0; level < levels; ++level) {
            for (const char *name : {"a.prt.1", "a.prt.2"})
                ::close(::openat(fd, name, O_CREAT | O_WRONLY, 0600));
            QCOMPARE(::mkdirat(fd, "d", 0700), 0);
            if (level < besides)
                QCOMPARE(::mkdirat(fd, "e", 0700), 0);
            const int next = ::openat(fd, "d", O_RDONLY | O_DIRECTORY);
            ::close(fd);
            fd = next;
        }
        ::close(fd);
        // The reports, 400 MB of paths, are left unread: what the tree holds afterwards tells.
        const Result run = vintrex(tmp.path(), {"--purge", "-r", "."}, {}, "ulimit -s 1024 && ulimit -n 256 && exec >/dev/null");
        QCOMPARE(run.err, QByteArray("vintrex: 20000 files deleted in 20401 folders, 0 bytes freed\n"));
        QCOMPARE(run.status, 0);
        ::close(top);
        // What is left, counted by find, which walks any depth.
        const auto count = [&](const char *name) {
            QProcess find;
            find.start("find", {tmp.path(), "-name", name});
            return find.waitForFinished(60000) ? find.readAllStandardOutput().count('\n') : -1;
        };
        QCOMPARE(count("a.prt.1"), 0);
        QCOMPARE(count("a.prt.2"), levels);
    }

    // A folder named on the command line in bytes that are not UTF-8 is that very folder, and is
    // printed quoted.
    void folderNamedInBytes()
    {
        QTemporaryDir tmp;
        QCOMPARE(::mkdir(QFile::encodeName(tmp.path()) + "/\xff", 0700), 0);
        makeRawFile(tmp.path(), "\xff/u.prt.1");
        makeRawFile(tmp.path(), "\xff/u.prt.2");
        const Result run = vintrex(tmp.path(), {}, {}, "set -- --purge -v \"$(printf '\\377')\"");
        QVERIFY(runs("rm", {"-rf", "--", tmp.path()})); // a name QTemporaryDir cannot remove
        QCOMPARE(run.err, QByteArray());
        QCOMPARE(run.out, QByteArray("''$'\\377''/u.prt.1'\n''$'\\377': 1 Pro Eng Files Deleted!\n"));
    }

    // Where the file system keeps no birth times, deleting one name of a file changes the time that
    // tells its other names from a re-created file: they must not look replaced.
    void hardLinksWithoutBirthTimes()
    {
        QTemporaryDir tmp;
        const QString image = tmp.filePath("ext4.img"), mount = makeFolder(tmp.path(), "mnt");
        QFile file(image);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(8 << 20));
        file.close();
        if (::geteuid() != 0 || !runs("mkfs.ext4", {"-q", "-F", "-I", "128", image}) ||
            !runs("mount", {"-o", "loop", image, mount}))
            QSKIP("no ext4 image can be mounted here");
        auto unmount = qScopeGuard([&] { runs("umount", {mount}); });
        for (const char *name : {"a.prt.1", "a.prt.3"})
            makeFile(mount, name);
        // Two names of one old version, and a link to the latest, which the purge leaves alone.
        QVERIFY(QFile::link(mount + "/a.prt.3", mount + "/link") && ::link(qPrintable(mount + "/a.prt.1"), qPrintable(mount + "/a.prt.2")) == 0);
        QTest::qSleep(1100); // these inodes keep whole seconds: the deletion's time must differ
        const Result run = vintrex(mount, {"--purge", "."});
        QCOMPARE(run.err, QByteArray());
        QCOMPARE(run.out, QByteArray(".: 2 Pro Eng Files Deleted!\n"));
        QCOMPARE(namesIn(mount), (QStringList{"a.prt.3", "link", "lost+found"}));
    }

    // Random trees purged through the command line, against the rule written out here: in each
    // folder the walk reaches, of each model's version files (regular files named base.type.N,
    // N digits, type one of the six in lower case) those below the model's highest value go.
    void randomTrees()
    {
        // The same tree twice: purged folder after folder, and four at once.
        QTemporaryDir tmp(inMemory()), twin(inMemory());
        QRandomGenerator random(19);
        const auto pick = [&](const QStringList &from) { return from[random.bounded(from.size())]; };
        const QStringList bases = {"a", "b c", "x\ny", "é", "m.prt", "q\x1b"}, types = {"prt", "asm", "drw", "sec", "bom", "txt", "PRT", "doc"},
                          versions = {"1", "2", "3", "10", "02", "18446744073709551616", "18446744073709551617", "99999999999999999999999"};
        QStringList folders = {"root"}, expected, deleted;
        makeFolder(tmp.path(), "root");
        for (int i = 0; i < 2000; ++i) {
            const QString parent = pick(folders);
            const int kind = random.bounded(20); // 0: hidden, 1: odd name, 2: a link to a folder
            const QString name = kind == 0 ? ".h" + QString::number(i) : kind == 1 ? "f\n" + QString::number(i) : "f" + QString::number(i);
            const QString folder = parent + "/" + name;
            if (kind == 2) {
                QVERIFY(QFile::link(tmp.filePath(pick(folders)), tmp.filePath(folder)));
                continue;
            }
            makeFolder(tmp.path(), folder);
            const bool walked = !parent.contains("/.") && kind != 0;
            folders.append(folder);
            QHash<QString, QStringList> models; // base name -> versions, of real version files
            const QStringList here = {pick(bases) + "." + pick(types) + ".", pick(bases) + "." + pick(types) + "."};
            for (int files = random.bounded(9); files > 0; --files) {
                const QString base = pick(here), file = base + pick(versions);
                if (QFileInfo(tmp.filePath(folder + "/" + file)).exists() || QFileInfo(tmp.filePath(folder + "/" + file)).isSymLink())
                    continue;
                if (random.bounded(8) == 0) { // links are never versions
                    QVERIFY(QFile::link(tmp.filePath(folder + "/notes"), tmp.filePath(folder + "/" + file)));
                    continue;
                }
                makeFile(tmp.filePath(folder), file);
                if (walked && QStringList{"prt", "asm", "drw", "sec", "bom", "txt"}.contains(base.section('.', -2, -2)))
                    models[base].append(file.mid(base.size()));
            }
            for (auto model = models.cbegin(); model != models.cend(); ++model) {
                double highest = 0;
                for (const QString &version : model.value())
                    highest = std::max(highest, version.toDouble());
                for (const QString &version : model.value())
                    (version.toDouble() < highest ? deleted : expected).append(folder + "/" + model.key() + version);
            }
        }
        const QStringList before = filesBelow(tmp.path());
        const Result dryRun = vintrex(tmp.path(), {"--purge", "-rn0", "root"});
        QCOMPARE(dryRun.status, 0);
        QStringList listed = QString::fromUtf8(dryRun.out).split(QChar(0));
        QCOMPARE(listed.takeLast(), QString());
        QCOMPARE(sorted(listed), sorted(deleted));
        QVERIFY(runs("cp", {"-a", tmp.filePath("root"), twin.path()}));
        const Result run = vintrex(tmp.path(), {"--purge", "-rv", "-j", "1", "root"});
        QCOMPARE(run.status, 0);
        const Result parallel = vintrex(twin.path(), {"--purge", "-rv", "-j", "4", "root"});
        QCOMPARE(parallel.out, run.out);
        QCOMPARE(parallel.err, run.err);
        QCOMPARE(parallel.status, 0);
        QStringList left = before;
        for (const QString &file : std::as_const(deleted))
            QVERIFY(left.removeOne(file));
        QCOMPARE(filesBelow(tmp.path()), left);
        QCOMPARE(filesBelow(twin.path()), left);
        QVERIFY2(run.err.startsWith(QString("vintrex: %1 files deleted in ").arg(deleted.size()).toUtf8()), run.err.constData());
        QVERIFY2(deleted.size() > 1000 && expected.size() > 1000, qPrintable(QString("%1 deleted, %2 kept").arg(deleted.size()).arg(expected.size())));
    }

    // The choices of a purge on one project: what it keeps, which types and folders it takes,
    // what it renames and what it says. `out` is checked when not empty.
    void purgeOptions_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        QTest::addColumn<QStringList>("left");
        const QStringList skipped = {"w/skip/y.prt.1", "w/skip/y.prt.2"};
        QTest::newRow("keep 2: equal versions stay together")
            << QStringList{"--purge", "--keep", "2", "-r", "w"} << 0 << ""
            << "vintrex: 1 files deleted in 3 folders, 0 bytes freed\n"
            << QStringList{"w/a.prt.02", "w/a.prt.2", "w/a.prt.3", "w/b.frm.1", "w/b.frm.2", "w/c.asm.7",
                           "w/c.asm.9", "w/c.asm.1/f", "w/skip/y.prt.1", "w/skip/y.prt.2"};
        QTest::newRow("types and an excluded folder")
            << QStringList{"--purge", "-rq", "--types", "prt,frm", "--exclude", "sk*", "w"} << 0 << "" << ""
            << QStringList{"w/a.prt.3", "w/b.frm.2", "w/c.asm.7", "w/c.asm.9", "w/c.asm.1/f"} + skipped;
        QTest::newRow("renumbered, a new name taken by a folder")
            << QStringList{"--purge", "-v", "--renumber", "w"} << 1
            << "w/a.prt.1\nw/a.prt.02\nw/a.prt.2\nw/c.asm.7\nw/a.prt.3 -> a.prt.1\n"
               "w: 4 Pro Eng Files Deleted!\nw: 1 Kept Versions Renumbered\n"
            << "vintrex: w/c.asm.9: cannot take the name c.asm.1: a file of that name exists\n"
            << QStringList{"w/a.prt.1", "w/b.frm.1", "w/b.frm.2", "w/c.asm.9", "w/c.asm.1/f"} + skipped;
        QTest::newRow("dry run of a renumbering")
            << QStringList{"--purge", "-n", "--renumber", "--types", "frm", "w"} << 0
            << "w/b.frm.1\nw/b.frm.2 -> b.frm.1\n" << "" << QStringList();
        QStringList trashed = {"w/a.prt.3", "w/b.frm.1", "w/b.frm.2", "w/c.asm.9", "w/c.asm.1/f", "w/skip/y.prt.2"};
        for (const char *name : {"a.prt.02", "a.prt.1", "a.prt.2", "c.asm.7", "y.prt.1"})
            trashed << QString("data/Trash/files/") + name << QString("data/Trash/info/") + name + ".trashinfo";
        QTest::newRow("to the trash") << QStringList{"--purge", "-rq", "--trash", "w"} << 0 << "" << "" << trashed;
        QTest::newRow("usage: keep 0") << QStringList{"--purge", "--keep", "0", "w"} << 2 << ""
                                       << "vintrex: --keep takes a number of versions, 1 or more\n"
                                          "Try 'vintrex --help' for more information.\n" << QStringList();
        QTest::newRow("usage: json and null") << QStringList{"--purge", "--json", "-0", "w"} << 2 << ""
                                              << "vintrex: --json and --null cannot go together\n"
                                                 "Try 'vintrex --help' for more information.\n" << QStringList();
    }

    void purgeOptions()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, out);
        QFETCH(QString, err);
        QFETCH(QStringList, left);
        QTemporaryDir tmp;
        const QString work = makeFolder(tmp.path(), "w");
        for (const char *name : {"a.prt.1", "a.prt.2", "a.prt.02", "a.prt.3", "b.frm.1", "b.frm.2", "c.asm.7", "c.asm.9"})
            makeFile(work, name);
        makeFile(makeFolder(work, "c.asm.1"), "f");
        for (const char *name : {"y.prt.1", "y.prt.2"})
            makeFile(makeFolder(work, "skip"), name);
        const QStringList before = filesBelow(tmp.path());
        const Result run = vintrex(tmp.path(), arguments, {"XDG_DATA_HOME=" + tmp.filePath("data")});
        QCOMPARE(QString::fromUtf8(run.err), err);
        if (!out.isEmpty() || arguments.contains("-rq"))
            QCOMPARE(QString::fromUtf8(run.out), out);
        QCOMPARE(run.status, status);
        QCOMPARE(filesBelow(tmp.path()), left.isEmpty() ? before : sorted(left));
    }

    // One JSON document a run, whatever the names: the plan of a dry run, then what was done; a
    // folder that cannot be read is a member with the reason.
    void json()
    {
        QTemporaryDir tmp;
        const QString locked = makeFolder(tmp.path(), "locked");
        QVERIFY(QFile::setPermissions(locked, QFile::Permissions()));
        const auto unlock = qScopeGuard([&] { QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner); });
        const QStringList names = {"he said \"hi\"\\.prt.", "new\nline.prt.", QString::fromUtf8("Ölwanne\t€.prt.")};
        QSet<QString> old;
        qint64 bytes = 0;
        for (const QString &name : names) {
            for (int version = 1; version <= 3; ++version)
                makeFile(makeFolder(tmp.path(), "p q"), name + QString::number(version), QByteArray(version * 10, 'x'));
            old << name + "1" << name + "2";
            bytes += 30;
        }
        for (const bool dryRun : {true, false}) {
            // The dry run is asked to trash: the options say so, and nothing is moved.
            const QStringList arguments = {"--purge", "--json", "-r", dryRun ? "-n" : "-v", dryRun ? "--trash" : "--keep=1", "."};
            const Result run = vintrex(tmp.path(), arguments, {"XDG_DATA_HOME=" + tmp.filePath("data")});
            if (run.status == 77)
                QSKIP("root cannot give up overriding permissions here");
            QCOMPARE(run.status, 1);
            QJsonParseError error;
            const QJsonObject document = QJsonDocument::fromJson(run.out, &error).object();
            QVERIFY2(error.error == QJsonParseError::NoError, qPrintable(error.errorString() + "\n" + run.out));
            QCOMPARE(document["dryRun"].toBool(), dryRun);
            QCOMPARE(document["options"]["trash"].toBool(), dryRun);
            const QJsonArray folders = document["folders"].toArray();
            QCOMPARE(folders.size(), 3);
            QCOMPARE(folders[1]["folder"].toString(), QString("./locked"));
            QVERIFY(!folders[1]["error"].toString().isEmpty());
            QCOMPARE(folders[2]["folder"].toString(), QString("./p q"));
            QSet<QString> listed;
            if (dryRun) {
                for (const QJsonValue model : folders[2]["models"].toArray()) {
                    QCOMPARE(model["kept"].toArray().size(), 1);
                    for (const QJsonValue file : model["delete"].toArray())
                        listed << file["name"].toString();
                }
            } else {
                for (const QJsonValue name : folders[2]["deleted"].toArray())
                    listed << name.toString();
                QCOMPARE(folders[2]["bytesFreed"].toInteger(), bytes);
            }
            QCOMPARE(listed, old);
            QCOMPARE(document["totals"]["files"].toInt(), 6);
            QCOMPARE(document["totals"][dryRun ? "bytesToFree" : "bytesFreed"].toInteger(), bytes);
        }
        QCOMPARE(QDir(tmp.filePath("p q")).entryList(QDir::Files).size(), 3);
    }

    // The window opens on the folder the system finds for `link/..`, not on the text cleaned.
    void windowFolderAsTheSystemFindsIt()
    {
        QTemporaryDir tmp;
        makeFolder(tmp.path(), "real/sub");
        QVERIFY(QFile::link("real/sub", tmp.filePath("link")));
        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(tmp.path()));
        char program[] = "vintrex", folder[] = "link/..";
        char *argv[] = {program, folder, nullptr};
        const CommandLine commandLine(2, argv);
        const bool opens = commandLine.opensWindow();
        const QString folderOpened = commandLine.windowFolder();
        QDir::setCurrent(before);
        QVERIFY(opens);
        QCOMPARE(folderOpened, QFileInfo(tmp.filePath("real")).canonicalFilePath());
    }
};

QTEST_MAIN(TestCommandLine)
#include "test_cli.moc"

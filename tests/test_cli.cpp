#include "testsupport.h"

#include <QDirIterator>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

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
    if (shell.isEmpty())
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
            << "" << QStringList{"--purge", "-v", "tree/link/../outside"} << 0
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
        QTest::newRow("folder removed during the walk")
            << "race tree/a.prt.1 tree/sub" << QStringList{"--purge", "-r", "tree"} << 0 << "tree: 2 Pro Eng Files Deleted!\n"
            << "vintrex: tree/sub: was removed while the tree was walked\n" << top;
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
        QTemporaryDir tmp;
        const QString tree = makeFolder(tmp.path(), "tree"), sub = makeFolder(tree, "sub");
        for (const char *name : {"tree/a.prt.1", "tree/a.prt.2", "tree/b.asm.1", "tree/b.asm.3", "tree/notes.txt",
                                    "tree/sub/m.drw.1", "tree/sub/m.drw.2", "tree/sub/deeper/x.prt.5",
                                    "tree/sub/deeper/x.prt.7", "tree/.hidden/h.prt.1", "tree/.hidden/h.prt.2",
                                    "outside/o.prt.1", "outside/o.prt.2"}) {
            makeFolder(tmp.path(), QFileInfo(name).path());
            makeFile(tmp.path(), name);
        }
        QVERIFY(QFile::link("../outside", tree + "/link"));
        const QString mount = sub + "/mnt";
        QStringList environment;
        const QStringList race = setup.split(' ');
        auto undo = qScopeGuard([&] {
            QFile::setPermissions(sub, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
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
        } else if (setup == "undecodable") {
            QCOMPARE(::mkdir(QFile::encodeName(tree) + "/\xff", 0700), 0);
            makeRawFile(tree, "\xff/u.prt.1");
            makeRawFile(tree, "\xff/u.prt.2");
        } else if (race.first() == "race") {
            for (const char *name : {"c.prt.1", "c.prt.2", "c.prt.3"})
                if (race[1].contains("c.prt"))
                    makeFile(tree, name);
            environment = QStringList{"LD_PRELOAD=" RACER_LIBRARY, "RACER_AFTER=" + QFileInfo(race[1]).fileName(),
                                      "RACER_FROM=" + race[2], "RACER_TO=outside/moved"};
        }
        const QStringList before = filesBelow(tmp.path());
        if (setup == "protected" || setup == "unreadable")
            QVERIFY(QFile::setPermissions(sub, setup == "protected" ? QFile::ReadOwner | QFile::ExeOwner
                                                                    : QFile::Permissions()));

        const Result run = vintrex(tmp.path(), arguments, environment);
        if (run.status == 77)
            QSKIP("root cannot give up overriding permissions here");
        QFile::setPermissions(sub, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (race.first() == "race") // what was moved away, back in its place
            QVERIFY(QFile::rename(tmp.filePath("outside/moved"), tmp.filePath(race[2])));
        QCOMPARE(QString::fromUtf8(run.err), err);
        QCOMPARE(QString::fromUtf8(run.out), out);
        QCOMPARE(run.status, status);
        QStringList left = before;
        for (const QString &file : deleted)
            QVERIFY(left.removeOne(file));
        QCOMPARE(filesBelow(tmp.path()), left);
    }
};

QTEST_MAIN(TestCommandLine)
#include "test_cli.moc"

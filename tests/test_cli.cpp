#include "testsupport.h"

#include <QDirIterator>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <linux/capability.h>
#include <sys/prctl.h>
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
    if (setup == "tmpfs")
        return "Wine shows every Unix file system as one drive";
    if (setup == "unreadable" || setup == "protected" || err.contains("cannot read"))
        return "Wine words the system's errors its own way";
    return {};
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
        auto undo = qScopeGuard([&] {
            QFile::setPermissions(sub, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            if (setup == "tmpfs")
                runs("umount", {mount});
        });
        if (setup == "tmpfs") {
            if (!runs("mount", {"-t", "tmpfs", "vintrex-test", makeFolder(sub, "mnt")}))
                QSKIP("no tmpfs can be mounted here");
            makeFile(mount, "t.prt.1");
            makeFile(mount, "t.prt.2");
        }
        if (setup == "protected" || setup == "unreadable")
            QVERIFY(QFile::setPermissions(sub, setup == "protected" ? QFile::ReadOwner | QFile::ExeOwner
                                                                    : QFile::Permissions()));
        const QStringList before = filesBelow(tmp.path());

        QProcess vintrex;
        vintrex.setWorkingDirectory(tmp.path());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(name);
        vintrex.setProcessEnvironment(environment);
        // Root is stopped by permissions only without the power to override them.
        if (::geteuid() == 0)
            vintrex.setChildProcessModifier([] {
                if (::prctl(PR_CAPBSET_DROP, CAP_DAC_OVERRIDE) || ::prctl(PR_CAPBSET_DROP, CAP_DAC_READ_SEARCH))
                    ::_exit(77);
            });
        if (wine.isEmpty())
            vintrex.start(VINTREX_PROGRAM, arguments);
        else
            vintrex.start("/usr/lib/wine/wine64", QStringList{wine} + arguments);
        QVERIFY(vintrex.waitForFinished());
        if (vintrex.exitCode() == 77)
            QSKIP("root cannot give up overriding permissions here");
        QFile::setPermissions(sub, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(QString::fromUtf8(vintrex.readAllStandardError()), err);
        QCOMPARE(QString::fromUtf8(vintrex.readAllStandardOutput()), out);
        QCOMPARE(vintrex.exitCode(), status);
        QStringList left = before;
        for (const QString &file : deleted)
            QVERIFY(left.removeOne(file));
        QCOMPARE(filesBelow(tmp.path()), left);
    }
};

QTEST_MAIN(TestCommandLine)
#include "test_cli.moc"

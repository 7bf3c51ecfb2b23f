#include "dirlist.h"
#include "drivelist.h"
#include "filelist.h"
#include "patternedit.h"
#include "testsupport.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include <sys/stat.h>

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void startsOnSavedFolder_data();
    void startsOnSavedFolder();
    void typeButtonsToggleTheirPattern();
    void rejectedPatternFallsBackToAllFiles();
    void driveChangeAndDriveNotReady();
    void leavingFolderListOpensHighlightedFolder();
    void refreshRereadsAndSurvivesVanishedFolder();
    void patternBoxSelectsAllOnFocus();
    void settingsFileThatIsNoFile();
};

namespace {

void expectCounters(const Purge &w, int files, int versionFiles)
{
    QCOMPARE(w.Label1->text(), QStringLiteral("Files = %1").arg(files));
    QCOMPARE(w.Pro_Eng_files->text(), QStringLiteral("Pro Eng Files = %1").arg(versionFiles));
    QCOMPARE(w.filList->count(), files);
}

} // namespace

void TestMainWindow::startsOnSavedFolder_data()
{
    QTest::addColumn<bool>("homeOnOwnDrive");
    QTest::addColumn<QString>("savedDrive");
    QTest::addColumn<QString>("savedFolder"); // "work", "gone" or nothing saved

    // The saved drive "/" is the one shown at start: the load's own folder change restores.
    QTest::newRow("same drive") << false << "/" << "work";
    // Home sits on another drive: selecting "/" changes drive, and that change restores.
    QTest::newRow("other drive") << true << "/" << "work";
    QTest::newRow("saved drive gone") << false << "Q" << "work";
    QTest::newRow("saved folder gone") << false << "/" << "gone";
    QTest::newRow("saved folder gone, other drive") << true << "/" << "gone";
    QTest::newRow("nothing saved") << false << "" << "";
    QTest::newRow("nothing saved, home on own drive") << true << "" << "";
}

void TestMainWindow::startsOnSavedFolder()
{
    QFETCH(bool, homeOnOwnDrive);
    QFETCH(QString, savedDrive);
    QFETCH(QString, savedFolder);

    WindowHarness h;
    const QString work = makeFolder(h.path("data"), "work");
    for (const char *name : {"b.prt.2", "a.prt.1", "notes.doc", "b.prt.10"})
        makeFile(work, name);
    makeFile(h.home(), "home.asm.1");
    h.settings().setValue("Startup", "Drive", savedDrive);
    if (!savedFolder.isEmpty())
        h.settings().setValue("Startup", "Dir", h.path("data/" + savedFolder));

    Purge &w = h.load(homeOnOwnDrive ? QStringList{h.home()} : QStringList{});
    const QString expected = savedFolder == "work" ? work : h.home();
    QCOMPARE(w.dirList->path(), expected);
    QCOMPARE(w.filList->folder(), expected);
    QCOMPARE(w.drvList->drive(), w.drvList->driveOf(expected));
    QVERIFY(!w.StartupFolderPending);
    QVERIFY(w.Ask->isChecked());
    QVERIFY(!h.busy.isBusy());
    QVERIFY(h.messages.shown.isEmpty());
    if (expected == work) {
        expectCounters(w, 4, 3);
        QCOMPARE(w.filList->names(), (QStringList{"a.prt.1", "b.prt.10", "b.prt.2", "notes.doc"}));
    } else {
        expectCounters(w, 1, 1);
    }

    // Whatever happened, the next folder change is an ordinary one the file list follows.
    const QString next = makeFolder(h.home(), "next");
    w.dirList->setPath(next);
    QCOMPARE(w.filList->folder(), next);
    expectCounters(w, 0, 0);
}

void TestMainWindow::typeButtonsToggleTheirPattern()
{
    WindowHarness h;
    for (const char *name : {"a.prt.1", "a.prt.2", "b.asm.1", "c.PRT.1", "d.txt"})
        makeFile(h.home(), name);
    Purge &w = h.load();
    expectCounters(w, 5, 3);

    QTest::mouseClick(w.Command3, Qt::LeftButton); // prt
    QCOMPARE(w.txtSearchSpec->text(), QStringLiteral("*.prt.*"));
    expectCounters(w, 3, 2); // c.PRT.1 is listed but is no version file
    w.Command2_Click(); // asm replaces prt
    QCOMPARE(w.txtSearchSpec->text(), QStringLiteral("*.asm.*"));
    expectCounters(w, 1, 1);
    w.Command2_Click(); // the same button again: back to all files
    QCOMPARE(w.txtSearchSpec->text(), QStringLiteral("*.*"));
    expectCounters(w, 5, 3);

    // Typed in another case, the pattern is not the button's: pressing sets the button's.
    w.txtSearchSpec->setText("*.PRT.*");
    expectCounters(w, 3, 2);
    w.Command3_Click();
    QCOMPARE(w.txtSearchSpec->text(), QStringLiteral("*.prt.*"));
    expectCounters(w, 3, 2);

    const QList<std::pair<QPushButton *, QString>> buttons = {
        {w.Command4, "*.drw.*"}, {w.Command5, "*.sec.*"}, {w.Command6, "*.bom.*"},
        {w.Command7, "*.txt.*"}};
    for (const auto &[button, pattern] : buttons) {
        button->click();
        QCOMPARE(w.txtSearchSpec->text(), pattern);
        expectCounters(w, 0, 0);
    }
}

void TestMainWindow::rejectedPatternFallsBackToAllFiles()
{
    WindowHarness h;
    makeFile(h.home(), "a.prt.1");
    makeFile(h.home(), "b");
    Purge &w = h.load();
    w.txtSearchSpec->setText("*.prt.*");
    expectCounters(w, 1, 1);
    w.txtSearchSpec->setText("sub/*.prt.*");
    QCOMPARE(w.txtSearchSpec->text(), QStringLiteral("*.*"));
    QCOMPARE(w.filList->pattern(), QStringLiteral("*.*"));
    expectCounters(w, 2, 1);
    QVERIFY(h.messages.shown.isEmpty());
}

void TestMainWindow::driveChangeAndDriveNotReady()
{
    WindowHarness h;
    const QString stick = makeFolder(h.path("media"), "stick");
    makeFile(stick, "s.drw.1");
    makeFile(stick, "s.drw.2");
    const QString noMedium = h.path("media/cdrom"); // a mount point that cannot be read
    const QString work = makeFolder(h.home(), "work");
    Purge &w = h.load({stick, noMedium});
    w.dirList->setPath(work);
    expectCounters(w, 0, 0);

    w.drvList->setDrive(stick);
    QCOMPARE(w.dirList->path(), stick);
    QCOMPARE(w.filList->folder(), stick);
    expectCounters(w, 2, 2);

    // Back to the first drive: it comes back on the folder last visited there.
    w.drvList->setDrive("/");
    QCOMPARE(w.dirList->path(), work);
    expectCounters(w, 0, 0);

    w.drvList->setDrive(noMedium);
    QCOMPARE(w.drvList->drive(), QStringLiteral("/"));
    QCOMPARE(w.dirList->path(), work);
    QCOMPARE(w.filList->folder(), work);
    QVERIFY(h.messages.shown.isEmpty());
}

void TestMainWindow::leavingFolderListOpensHighlightedFolder()
{
    WindowHarness h;
    const QString work = makeFolder(h.home(), "work");
    makeFile(work, "w.sec.4");
    const QString doomed = makeFolder(h.home(), "doomed");
    Purge &w = h.load();
    QCOMPARE(w.dirList->path(), h.home());

    // Leaving without highlighting another folder changes nothing.
    w.dirList_LostFocus();
    QCOMPARE(w.dirList->path(), h.home());
    QVERIFY(h.messages.shown.isEmpty());

    auto highlight = [&w](const QString &path) {
        const auto items = w.dirList->findItems(QDir(path).dirName(), Qt::MatchExactly | Qt::MatchRecursive);
        QCOMPARE(items.size(), 1);
        w.dirList->setCurrentItem(items.first());
    };
    highlight(work);
    w.dirList_LostFocus();
    QCOMPARE(w.filList->folder(), work);
    expectCounters(w, 1, 1);
    QVERIFY(!h.busy.isBusy());

    w.dirList->setPath(h.home());
    highlight(doomed);
    QVERIFY(QDir(doomed).removeRecursively());
    w.dirList_LostFocus();
    QCOMPARE(h.messages.texts(), QStringList{"Device not available!"});
    QCOMPARE(h.messages.shown.first().icon, MessageBoxes::Icon::Critical);
    QCOMPARE(h.messages.shown.first().title, QStringLiteral("Vintrex"));
    QCOMPARE(w.dirList->path(), h.home());
    QCOMPARE(w.filList->folder(), h.home());
    QVERIFY(!h.busy.isBusy());
}

void TestMainWindow::refreshRereadsAndSurvivesVanishedFolder()
{
    WindowHarness h;
    const QString work = makeFolder(h.home(), "work");
    makeFile(work, "a.prt.1");
    makeFile(h.home(), "h.prt.1");
    makeFile(h.home(), "h.prt.2");
    Purge &w = h.load();
    w.dirList->setPath(work);
    expectCounters(w, 1, 1);

    makeFile(work, "a.prt.2");
    makeFile(work, "notes");
    QTest::mouseClick(w.Command1, Qt::LeftButton);
    expectCounters(w, 3, 2);

    QVERIFY(QDir(work).removeRecursively());
    w.Command1_Click();
    QCOMPARE(w.dirList->path(), h.home());
    QCOMPARE(w.filList->folder(), h.home());
    expectCounters(w, 2, 2);
    QVERIFY(h.messages.shown.isEmpty());
}

void TestMainWindow::patternBoxSelectsAllOnFocus()
{
    WindowHarness h;
    Purge &w = h.load();
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    w.txtSearchSpec->setText("*.prt.*");
    w.txtSearchSpec->deselect();

    w.dirList->setFocus();
    QTest::keyClick(&w, Qt::Key_C, Qt::AltModifier); // the label's access key
    QVERIFY(w.txtSearchSpec->hasFocus());
    QCOMPARE(w.txtSearchSpec->selectedText(), QStringLiteral("*.prt.*"));

    w.txtSearchSpec->deselect();
    w.drvList->setFocus();
    QTest::mouseClick(w.txtSearchSpec, Qt::LeftButton, {}, QPoint(5, 5));
    QVERIFY(w.txtSearchSpec->hasFocus());
    QCOMPARE(w.txtSearchSpec->selectedText(), QStringLiteral("*.prt.*"));

    // Tab from the label's predecessor in the chain lands on the box with all selected.
    w.Command7->setFocus();
    w.txtSearchSpec->deselect();
    QTest::keyClick(w.Command7, Qt::Key_Tab);
    QVERIFY(w.txtSearchSpec->hasFocus());
    QCOMPARE(w.txtSearchSpec->selectedText(), QStringLiteral("*.prt.*"));
}

// A FIFO in the settings file's place would block the start for good if it were read, and take
// whatever was written: it is left alone, and the window starts at home.
void TestMainWindow::settingsFileThatIsNoFile()
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath("Pro.ini");
    QCOMPARE(::mkfifo(qPrintable(fifo), 0600), 0);
    SettingsStore store("Pro", fifo);
    QCOMPARE(store.value("Startup", "Dir"), QString());
    store.removeSection("Startup");
    store.setValue("Startup", "Dir", "/");
    store.sync();
    struct stat st = {};
    QCOMPARE(::lstat(qPrintable(fifo), &st), 0);
    QVERIFY(S_ISFIFO(st.st_mode));
}

QTEST_MAIN(TestMainWindow)
#include "test_main_window.moc"

#include "aboutform.h"
#include "busypointer.h"
#include "confirmdialoghost.h"
#include "delete_confirm.h"
#include "dirlist.h"
#include "drivelist.h"
#include "filelist.h"
#include "folderreader.h"
#include "patternedit.h"
#include "profilenames.h"
#include "programstarter.h"
#include "promodule.h"
#include "purge.h"
#include "purgelist.h"
#include "registry.h"
#include "settingsstore.h"
#include "testsupport.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <filesystem>

using Answer = MessageBoxes::Answer;

namespace {

struct FakeStarter : ProgramStarter
{
    bool startDetached(const QString &commandLine) override
    {
        started.append(commandLine);
        return succeeds && !commandLine.isEmpty();
    }
    QStringList started;
    bool succeeds = true;
};

// A main window with everything around it in a temporary place: the home folder, the settings
// file, the drives and scripted message boxes. Given files go to home/<folderName>, saved as
// the start-up folder.
struct Harness
{
    explicit Harness(const QStringList &files = {}, const QString &folderName = "work")
        : oldHome(qgetenv("HOME"))
    {
        qputenv("HOME", QFile::encodeName(makeFolder(dir.path(), "home")));
        if (files.isEmpty())
            return;
        folder = makeFolder(home(), folderName);
        for (const QString &name : files)
            makeFile(folder, name, name.toUtf8());
        settings.setValue("Startup", "Dir", folder);
    }
    ~Harness() { qputenv("HOME", oldHome); }
    // Builds and loads the window on made-up drives: the root ("/", or the system drive on
    // Windows) and the given extra roots.
    Purge &load(const QStringList &extraDriveRoots = {}, const QString &namedFolder = {})
    {
        confirm = std::make_unique<ConfirmDialogHost>(engine);
        window = std::make_unique<Purge>(engine, settings, messages, busy, registry, starter);
        engine.setViews(window.get(), confirm.get());
        QList<DriveList::Volume> volumes{{QDir::rootPath(), "root"}};
        for (const QString &root : extraDriveRoots)
            volumes.append({root, QDir(root).dirName()});
        window->drvList->setVolumes(volumes);
        window->setStartupFolder(namedFolder);
        window->Form_Load();
        messages.shown.clear();
        return *window;
    }
    QString path(const QString &relative) const { return dir.filePath(relative); }
    QString home() const { return path("home"); }
    // Presses the purge button with these answers to the questions; gives every text shown.
    QStringList purge(const QList<Answer> &answers = {Answer::Yes, Answer::Yes})
    {
        messages.answers = answers;
        window->Purge_Command->click();
        return messages.texts();
    }

    QTemporaryDir dir;
    QByteArray oldHome;
    QString folder;
    SettingsStore settings{"Pro", path("Pro.ini")};
    ScriptedMessageBoxes messages;
    BusyPointer busy;
    TestServices services;
    InProcessRegistry registry;
    FakeStarter starter;
    ProModule engine{messages, services};
    std::unique_ptr<ConfirmDialogHost> confirm;
    std::unique_ptr<Purge> window;
};

const Registry::Key HKLM = Registry::LocalMachine;

} // namespace

// What only the windows can show, and what they do around the engine: the start-up, browsing,
// the Delete key, the confirmed run on screen and the About dialog's system information.
class TestWindow : public QObject
{
    Q_OBJECT

private slots:
    void startsOnSavedFolder_data()
    {
        QTest::addColumn<bool>("homeOnOwnDrive");
        QTest::addColumn<QString>("savedDrive");
        QTest::addColumn<QString>("savedFolder"); // "work", "gone" or nothing saved
        QTest::addColumn<QString>("namedFolder"); // on the command line, instead of the saved one

        // Home sits on another drive: selecting "/" changes drive, and that change restores.
        QTest::newRow("other drive") << true << "/" << "work" << "";
        QTest::newRow("saved drive gone") << false << "Q" << "work" << "";
        QTest::newRow("saved folder gone") << false << "/" << "gone" << "";
        QTest::newRow("saved folder gone, other drive") << true << "/" << "gone" << "";
        QTest::newRow("nothing saved") << false << "" << "" << "";
        QTest::newRow("nothing saved, home on own drive") << true << "" << "" << "";
        QTest::newRow("folder named on the command line") << false << "/" << "gone" << "work";
    }

    // The saved folder where it can be, else home; the file list shows regular files and links to
    // them, sorted without case, and no dot files, folders, pipes or names that are not UTF-8.
    void startsOnSavedFolder()
    {
        SKIP_WITHOUT_POSIX();
        QFETCH(bool, homeOnOwnDrive);
        QFETCH(QString, savedDrive);
        QFETCH(QString, savedFolder);
        QFETCH(QString, namedFolder);
        Harness h;
        const QString work = makeFolder(h.path("data"), "work");
        for (const char *name : {"b.prt.2", "a.prt.1", "notes.doc", "b.prt.10", "A.prt.1", ".hidden.prt.1"})
            makeFile(work, name);
        makeFolder(work, "folder.prt.9");
        QVERIFY(QFile::link(work + "/folder.prt.9", work + "/dirlink.prt.5")); // a folder, for the folder list
        makeRawFile(work, "bad\xff.prt.1");
        QVERIFY(makeFifo(work + "/pipe.prt.7"));
        QVERIFY(QFile::link("missing", work + "/dangling.prt.6") && QFile::link("notes.doc", work + "/link.prt.4"));
        makeFile(h.home(), "home.asm.1");
        h.settings.setValue("Startup", "Drive", savedDrive);
        if (!savedFolder.isEmpty())
            h.settings.setValue("Startup", "Dir", h.path("data/" + savedFolder));
        Purge &w = h.load(homeOnOwnDrive ? QStringList{h.home()} : QStringList{}, namedFolder.isEmpty() ? "" : h.path("data/" + namedFolder));
        const QString expected = savedFolder == "work" || namedFolder == "work" ? work : h.home();
        QCOMPARE(h.settings.value("Startup", "Dir"), savedFolder.isEmpty() ? "" : h.path("data/" + savedFolder)); // until the window closes
        QCOMPARE((QStringList{w.dirList->path(), w.filList->folder(), w.drvList->drive()}),
                 (QStringList{expected, expected, w.drvList->driveOf(expected)}));
        QVERIFY(!w.StartupFolderPending && w.Ask->isChecked() && !h.busy.isBusy());
        const QStringList listed = {"A.prt.1", "a.prt.1", "b.prt.10", "b.prt.2", "link.prt.4", "notes.doc"};
        QCOMPARE(w.filList->names(), expected == work ? listed : QStringList{"home.asm.1"});
        QCOMPARE(w.Pro_Eng_files->text(), expected == work ? "Pro Eng Files = 4" : "Pro Eng Files = 1");
        QCOMPARE(sorted(readFolder(work).folders), (QStringList{"dirlink.prt.5", "folder.prt.9"}));
        // Whatever happened, the next folder change is an ordinary one the file list follows.
        w.dirList->setPath(makeFolder(h.home(), "next"));
        QCOMPARE(w.filList->folder(), h.home() + "/next");
    }

    // A drive without a medium, a folder gone before it is opened or refreshed: the window stays
    // or goes home, and says so only where the user asked for that folder. A pattern that names
    // a folder is refused for all files.
    void browsingFallsBackWhereFoldersFail()
    {
        SKIP_WITHOUT_POSIX(); // a home folder of the test's own, and drives under "/"
        Harness h;
        const QString stick = makeFolder(h.path("media"), "stick"), noMedium = h.path("media/cdrom");
        const QString work = makeFolder(h.home(), "work"), doomed = makeFolder(h.home(), "doomed");
        makeFile(work, "a.prt.1");
        makeFile(work, "b");
        Purge &w = h.load({stick, noMedium});
        w.dirList->setPath(work);
        w.drvList->setDrive(stick);
        QCOMPARE(w.filList->folder(), stick);
        QCOMPARE(w.drvList->driveOf(stick + "x/a"), QStringLiteral("/")); // a name that only starts alike
        w.drvList->setDrive("/"); // back on the folder last visited there
        QCOMPARE(w.filList->folder(), work);
        w.drvList->setDrive(noMedium);
        QCOMPARE((QStringList{w.drvList->drive(), w.dirList->path(), w.filList->folder()}), (QStringList{"/", work, work}));

        w.txtSearchSpec->setText("*.prt.*");
        QCOMPARE(w.filList->names(), QStringList{"a.prt.1"});
        w.txtSearchSpec->setText("sub/*.prt.*");
        QCOMPARE(w.txtSearchSpec->text(), QStringLiteral("*.*"));
        QCOMPARE(w.filList->names(), (QStringList{"a.prt.1", "b"}));
        w.txtSearchSpec->setText(" b ; ?.PRT.* "); // several, without case, blanks around
        QCOMPARE(w.filList->names(), (QStringList{"a.prt.1", "b"}));
        w.txtSearchSpec->setText("");
        QCOMPARE(w.filList->count(), 2);

        // Leaving the folder list opens the folder highlighted there, if any.
        const auto leaveFrom = [&w](const QString &path) {
            w.dirList->setCurrentItem(w.dirList->findItems(QDir(path).dirName(), Qt::MatchExactly | Qt::MatchRecursive).value(0));
            w.dirList_LostFocus();
        };
        w.dirList->setPath(h.home());
        w.dirList_LostFocus();
        QCOMPARE(w.dirList->path(), h.home());
        leaveFrom(work);
        QCOMPARE(w.filList->folder(), work);

        makeFile(work, "c.prt.2");
        w.Command1_Click();
        QCOMPARE(w.filList->count(), 3);
        QVERIFY(QDir(work).removeRecursively());
        w.Command1_Click();
        QCOMPARE((QStringList{w.dirList->path(), w.filList->folder()}), (QStringList{h.home(), h.home()}));
        QVERIFY(h.messages.shown.isEmpty());

        QVERIFY(QDir(doomed).removeRecursively());
        leaveFrom(doomed);
        QCOMPARE(h.messages.texts(), QStringList{"Device not available!"});
        QCOMPARE(h.messages.shown.first().icon, MessageBoxes::Icon::Critical);
        QCOMPARE((QStringList{w.dirList->path(), w.filList->folder()}), (QStringList{h.home(), h.home()}));
        QVERIFY(!h.busy.isBusy());
        QVERIFY(QDir(h.home()).removeRecursively()); // nowhere left to go: an empty list, not a stale one
        w.Command1_Click();
        QCOMPARE(w.filList->count(), 0);
    }

    // However the pattern box gets the focus, the whole pattern is selected, to be typed over.
    void patternBoxSelectsAllOnFocus()
    {
        Harness h;
        Purge &w = h.load();
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.txtSearchSpec->setText("*.prt.*");
        for (const QString way : {"the label's access key", "a click", "tab from the control before"}) {
            w.Command7->setFocus();
            w.txtSearchSpec->deselect();
            if (way.startsWith("the label"))
                QTest::keyClick(&w, Qt::Key_C, Qt::AltModifier);
            else if (way == "a click")
                QTest::mouseClick(w.txtSearchSpec, Qt::LeftButton, {}, QPoint(5, 5));
            else
                QTest::keyClick(w.Command7, Qt::Key_Tab);
            QVERIFY2(w.txtSearchSpec->hasFocus() && w.txtSearchSpec->selectedText() == "*.prt.*", qPrintable(way));
        }
    }

    // A FIFO in the settings file's place would block the start for good if it were read, and take
    // whatever was written: it is left alone.
    void settingsFileThatIsNoFile()
    {
        SKIP_WITHOUT_POSIX();
        QTemporaryDir dir;
        const QString fifo = dir.filePath("Pro.ini");
        QVERIFY(makeFifo(fifo));
        SettingsStore store("Pro", fifo);
        QCOMPARE(store.value("Startup", "Dir"), QString());
        store.removeSection("Startup");
        store.setValue("Startup", "Dir", "/");
        store.sync();
        QVERIFY(isFifo(fifo));
    }

    void keysOnTheFileList_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("key"); // with its modifiers
        QTest::addColumn<QList<Answer>>("answers");
        QTest::addColumn<QStringList>("left"); // in the folder the file list shows
        QTest::addColumn<QString>("last");     // the last message, %1 standing for the file; none if empty
        const QList<Answer> yes = {Answer::Yes, Answer::Yes};
        const QStringList all = {"a.prt.1", "a.prt.2", "notes.txt"}, more = {"a.prt.1", "a.prt.2", "new.prt.1", "notes.txt"};
        const int del = Qt::Key_Delete;
        QTest::newRow("no at the first") << "" << del << QList<Answer>{Answer::No} << all << "No file deleted! ";
        QTest::newRow("no at the second") << "" << del << QList<Answer>{Answer::Yes, Answer::No} << all << "No file deleted! ";
        QTest::newRow("shift+delete") << "" << (Qt::ShiftModifier | Qt::Key_Delete).toCombined() << yes << QStringList{"a.prt.1", "notes.txt"} << "%1 deleted!";
        QTest::newRow("replaced by another file") << "replaced" << del << yes << QStringList{"a.prt.1", "a.prt.2", "b.prt.1", "notes.txt"}
                                                  << "Could not delete file - check write access";
        QTest::newRow("a symbolic link") << "link" << del << yes << all << "%1 deleted!";
        QTest::newRow("in a folder reached through a link") << "linked" << del << yes << QStringList{"a.prt.1", "notes.txt"} << "%1 deleted!";
        QTest::newRow("delete, nothing selected") << "nothing selected" << del << yes << more << "";
        QTest::newRow("arrow key") << "" << int(Qt::Key_Down) << yes << more << "";
        QTest::newRow("letter") << "" << int(Qt::Key_D) << yes << more << "";
    }

    // The Delete key asks twice, then removes the selected file as it was listed, read-only or
    // not, a link as the link, in the folder the file list shows; another file put in its place
    // stays, and the message says why. Any other key only reads the folder again, in place.
    void keysOnTheFileList()
    {
        QFETCH(QString, kind);
        QFETCH(int, key);
        QFETCH(QList<Answer>, answers);
        QFETCH(QStringList, left);
        QFETCH(QString, last);
        if (kind.startsWith("link"))
            SKIP_WITHOUT_POSIX();
        Harness h({"a.prt.1", "a.prt.2", "notes.txt"});
        Purge &w = h.load();
        QString folder = h.folder, name = "a.prt.2";
        if (kind == "link") {
            QVERIFY(QFile::link("a.prt.2", folder + "/z.prt.9"));
            w.Command1_Click();
            name = "z.prt.9";
        } else if (kind == "linked") {
            folder = h.path("linked");
            QVERIFY(QFile::link(h.folder, folder));
            w.dirList->setPath(folder);
        }
        const QString path = folder + "/" + name, shownPath = asShown(path);
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner));
        if (kind != "nothing selected")
            w.filList->setCurrentIndex(w.filList->model()->index(int(w.filList->names().indexOf(name)), 0));
        if (kind == "replaced") {
            makeFile(folder, "other");
            std::filesystem::rename(QFile::encodeName(folder + "/other").constData(),
                                    QFile::encodeName(path).constData());
            makeFile(folder, "b.prt.1");
        } else if (last.isEmpty()) {
            makeFile(folder, "new.prt.1");
        }
        h.messages.answers = answers;
        QTest::keyRelease(w.filList, Qt::Key(key & ~Qt::KeyboardModifierMask), Qt::KeyboardModifiers(key & Qt::KeyboardModifierMask));
        const QStringList texts = h.messages.texts();
        if (last.isEmpty()) {
            QCOMPARE(texts, QStringList());
            QCOMPARE(w.filList->text(w.filList->selectedRow()), kind.isEmpty() ? name : QString());
            QCOMPARE(w.Pro_Eng_files->text(), "Pro Eng Files = 2"); // read again, not counted again
        } else {
            QCOMPARE(texts.mid(0, answers.size()), QStringList({"Delete " + shownPath + " ?", "Are you sure you want to delete " + shownPath + "?"}).mid(0, answers.size()));
            QCOMPARE(texts.last(), last.replace("%1", shownPath));
            QCOMPARE(h.messages.shown.last().details, kind == "replaced" ? shownPath + ": has been replaced by another file since it was listed" : "");
            QCOMPARE(w.Pro_Eng_files->text(), QString("Pro Eng Files = %1").arg(std::count_if(left.begin(), left.end(), isProEngVersionFile)));
        }
        QCOMPARE(namesIn(folder), left);
        QCOMPARE(w.filList->names(), left);
    }

    // On screen: the focus starts on Cancel, the nine controls rest, both boxes fit a long path;
    // closing the dialog ends the run like Cancel, and the next run gets a fresh dialog. Turning
    // the questions off warns.
    void confirmedRunOnScreen()
    {
        const QString longName = QString(58, 'f');
        Harness h({"p.prt.1", "p.prt.2", "p.prt.3"}, longName + "/" + longName + "/" + longName);
        Purge &w = h.load();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        h.purge();
        Delete_Confirm *d = h.confirm->dialog();
        QVERIFY(QTest::qWaitForWindowActive(d));
        QCOMPARE(QApplication::focusWidget(), d->Delete_Cancel);
        const QList<QWidget *> resting = {w.Purge_Command, w.Ask, w.Command1, w.Command2, w.Command3,
                                          w.Command4, w.Command5, w.Command6, w.Command7};
        for (QWidget *control : resting)
            QVERIFY2(!control->isEnabled(), qPrintable(control->objectName()));
        // Under Wine the dialog's font has other metrics than on Windows, and the boxes overflow
        // there; whether they fit on Windows itself is not seen here.
        for (QLabel *box : {d->Latest_File_info, d->Delete_File_info})
            QVERIFY2(runningUnderWine() || (box->sizeHint().width() <= box->width() && box->sizeHint().height() <= box->height()),
                     qPrintable(box->text()));
        // A screen reader gets the whole text, which the box shows shortened.
        QVERIFY(d->Delete_File_info->accessibleName().startsWith("Delete " + asShown(h.folder + "/p.prt.1") + " ?\n"));
        QVERIFY(!d->Delete_File_info->text().contains(asShown(h.folder)));
        // A double click on the purge list tells about the file under it; below the last entry,
        // or on an empty list, there is no file to tell about.
        w.DeleteFiles->setCurrentRow(1);
        w.DeleteFiles_DblClick();
        QTest::mouseDClick(w.DeleteFiles->viewport(), Qt::LeftButton, {}, QPoint(5, w.DeleteFiles->viewport()->height() - 5));
        QVERIFY2(h.messages.texts().value(2).startsWith(asShown(h.folder + "/p.prt.2") + "\r\nFile Size :  0.007 KB\nCreated: "),
                 qPrintable(h.messages.texts().value(2)));
        QCOMPARE(h.messages.texts().value(3), "No file info available in current environment");
        QTest::mouseClick(d->Yes_Delete, Qt::LeftButton);
        d->close(); // the close box
        QCOMPARE(h.messages.texts().mid(4), QStringList{"1 Pro Eng Files Deleted!"});
        QCOMPARE(namesIn(h.folder), (QStringList{"p.prt.2", "p.prt.3"}));
        w.DeleteFiles_DblClick();
        QCOMPARE(h.messages.texts().last(), "No file info available in current environment");
        for (QWidget *control : resting)
            QVERIFY(control->isEnabled());
        QVERIFY(w.ProgressBar1->isHidden() && w.DeleteFiles->isHidden() && w.PurgeListLabel->isHidden() && !h.busy.isBusy());
        QTest::mouseClick(w.Ask, Qt::LeftButton); // now the purge will not ask, and the user is told so
        QCOMPARE(h.messages.texts().last(), "Warning - ALL old versions of Pro Eng Files will be delete when purging!");
        QTest::mouseClick(w.Ask, Qt::LeftButton);
        QTRY_VERIFY(!h.confirm->dialog());
        h.purge();
        QVERIFY(h.confirm->dialog() && h.confirm->dialog() != d && h.confirm->dialog()->isVisible());
        QTest::mouseClick(h.confirm->dialog()->Delete_Cancel, Qt::LeftButton);
        QCOMPARE(namesIn(h.folder).size(), 2);
    }

    void purgeListRemovals_data()
    {
        QTest::addColumn<QStringList>("removals"); // name@row where it is expected
        QTest::addColumn<QStringList>("left");
        QTest::newRow("from the top, as Yes to All") << QStringList{"a@0", "b@0", "c@0"} << QStringList{"d", "e", "f"};
        QTest::newRow("below kept entries") << QStringList{"c@2", "d@2"} << QStringList{"a", "b", "e", "f"};
        QTest::newRow("from the bottom") << QStringList{"f@5", "e@4"} << QStringList{"a", "b", "c", "d"};
        QTest::newRow("elsewhere, or not listed") << QStringList{"d@0", "x@1"} << QStringList{"a", "b", "c", "e", "f"};
    }

    // An entry leaves the purge list wherever it stands; the others keep their order and paths.
    void purgeListRemovals()
    {
        QFETCH(QStringList, removals);
        QFETCH(QStringList, left);
        PurgeList list;
        list.setFiles("/work/", {"a", "b", "c", "d", "e", "f"});
        for (const QString &removal : removals)
            list.removeFile(removal.section('@', 0, 0), removal.section('@', 1).toInt());
        QStringList shown;
        for (int row = 0; row < list.model()->rowCount(); ++row)
            shown.append(list.model()->index(row, 0).data().toString().remove("/work/"));
        QCOMPARE(shown, left);
    }

    void systemInformation_data()
    {
        QTest::addColumn<quint32>("type");        // of the MSINFO PATH value
        QTest::addColumn<QByteArray>("path");     // its data, if any
        QTest::addColumn<QByteArray>("location"); // the Shared Tools Location value, if any
        QTest::addColumn<bool>("starts");
        QTest::addColumn<QStringList>("started"); // command lines tried
        const quint32 text = Registry::TextType;
        QTest::newRow("path with NUL") << text << QByteArray("/usr/bin/sysinfo\0", 17) << QByteArray() << true << QStringList{"/usr/bin/sysinfo"};
        QTest::newRow("path without NUL") << text << QByteArray("/usr/bin/sysinfo") << QByteArray() << true << QStringList{"/usr/bin/sysinfo"};
        QTest::newRow("path as number 05 01 00 00") << Registry::NumberType << QByteArray("\x05\x01\x00\x00", 4) << QByteArray() << true << QStringList{"21"};
        QTest::newRow("path as expandable text") << quint32(2) << QByteArray("%SystemRoot%\0", 13) << QByteArray() << true << QStringList{""};
        QTest::newRow("path without data") << text << QByteArray("", 0) << QByteArray() << true << QStringList{};
        QTest::newRow("path that will not start") << text << QByteArray("/gone/sysinfo\0", 14) << QByteArray() << false << QStringList{"/gone/sysinfo"};
        QTest::newRow("location with the program") << text << QByteArray() << QByteArray("tools") << true << QStringList{"tools\\MSINFO32.EXE"};
        QTest::newRow("location without it") << text << QByteArray() << QByteArray("empty") << true << QStringList{};
        QTest::newRow("nothing in the registry") << text << QByteArray() << QByteArray() << true << QStringList{};
    }

    // The About dialog's button starts the program the registry names, read as the system keeps
    // its values, else says that there is none.
    void systemInformation()
    {
        QFETCH(quint32, type);
        QFETCH(QByteArray, path);
        QFETCH(QByteArray, location);
        QFETCH(bool, starts);
        QFETCH(QStringList, started);
        Harness h;
        // The location is taken relative to the working folder: put the program there.
        const QString before = QDir::currentPath();
        QDir::setCurrent(h.dir.path());
        auto back = qScopeGuard([&before] { QDir::setCurrent(before); });
        // "tools\\MSINFO32.EXE": one name on Linux, a file in a folder on Windows.
        makeFolder(h.dir.path(), "tools");
        makeFile(h.dir.path(), QDir::fromNativeSeparators("tools\\MSINFO32.EXE"));
        if (!path.isNull())
            h.registry.setValue(HKLM, "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", "PATH", type, path);
        if (!location.isEmpty())
            h.registry.setValue(HKLM, "SOFTWARE\\Microsoft\\Shared Tools Location", "MSINFO", 1, location);
        h.starter.succeeds = starts;
        AboutForm(h.registry, h.starter, h.messages).StartSysInfo();
        QCOMPARE(h.starter.started, started);
        const bool ran = starts && !started.value(0).isEmpty();
        QCOMPARE(h.messages.texts(), ran ? QStringList() : QStringList{"System Information Is Unavailable At This Time"});
    }
};

QTEST_MAIN(TestWindow)
#include "test_window.moc"

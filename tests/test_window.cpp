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
#include "qtmessageboxes.h"
#include "registry.h"
#include "responsivewait.h"
#include "settingsstore.h"
#include "testsupport.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

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

// The main window's controls, found by their names as a user's tools find them.
struct Controls
{
    template <typename T>
    static T *named(const Purge &window, const char *name)
    {
        T *control = window.findChild<T *>(QLatin1String(name));
        if (!control)
            qFatal("the main window has no control %s", name);
        return control;
    }
    explicit Controls(const Purge &w)
        : txtSearchSpec(named<PatternEdit>(w, "txtSearchSpec")), filList(named<FileList>(w, "filList")),
          dirList(named<DirList>(w, "dirList")), drvList(named<DriveList>(w, "drvList")),
          Purge_Command(named<QPushButton>(w, "Purge_Command")), ProgressBar1(named<QProgressBar>(w, "ProgressBar1")),
          Ask(named<QCheckBox>(w, "Ask")), DeleteFiles(named<PurgeList>(w, "DeleteFiles")),
          Pro_Eng_files(named<QLabel>(w, "Pro_Eng_files")), PurgeListLabel(named<QLabel>(w, "PurgeListLabel"))
    {
        for (int i = 1; i <= 7; ++i)
            Command[i] = named<QPushButton>(w, qPrintable(QString("Command%1").arg(i)));
    }
    PatternEdit *txtSearchSpec;
    FileList *filList;
    DirList *dirList;
    DriveList *drvList;
    QPushButton *Purge_Command;
    QProgressBar *ProgressBar1;
    QCheckBox *Ask;
    PurgeList *DeleteFiles;
    QLabel *Pro_Eng_files, *PurgeListLabel;
    QPushButton *Command[8] = {};
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
        Controls(*window).drvList->setVolumes(volumes);
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
        Controls(*window).Purge_Command->click();
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

QByteArray fileContent(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A menu's entries as they read, a chosen one marked with "*" and one that cannot be chosen with "-".
QStringList entries(const QMenu *menu)
{
    QStringList texts;
    for (const QAction *action : menu->actions())
        texts.append(QString(action->text()).remove('&') + (action->isChecked() ? "*" : "") + (action->isEnabled() ? "" : "-"));
    return texts;
}

// What a screen reader is given of a widget.
QString spoken(QWidget *widget, QAccessible::Text text)
{
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(widget);
    return accessible ? accessible->text(text) : QString();
}

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
        // A name the temporary folder cannot remove: gone before it is removed.
        const auto removeRaw = qScopeGuard([&] { std::remove((QFile::encodeName(work) + "/bad\xff.prt.1").constData()); });
        QVERIFY(makeFifo(work + "/pipe.prt.7"));
        QVERIFY(QFile::link("missing", work + "/dangling.prt.6") && QFile::link("notes.doc", work + "/link.prt.4"));
        makeFile(h.home(), "home.asm.1");
        h.settings.setValue("Startup", "Drive", savedDrive);
        if (!savedFolder.isEmpty())
            h.settings.setValue("Startup", "Dir", h.path("data/" + savedFolder));
        Purge &w = h.load(homeOnOwnDrive ? QStringList{h.home()} : QStringList{}, namedFolder.isEmpty() ? "" : h.path("data/" + namedFolder));
        const Controls c(w);
        const QString expected = savedFolder == "work" || namedFolder == "work" ? work : h.home();
        QCOMPARE(h.settings.value("Startup", "Dir"), savedFolder.isEmpty() ? "" : h.path("data/" + savedFolder)); // until the window closes
        QCOMPARE((QStringList{c.dirList->path(), c.filList->folder(), c.drvList->drive()}),
                 (QStringList{expected, expected, c.drvList->driveOf(expected)}));
        QVERIFY(!w.StartupFolderPending && c.Ask->isChecked() && !h.busy.isBusy());
        const QStringList listed = {"A.prt.1", "a.prt.1", "b.prt.10", "b.prt.2", "link.prt.4", "notes.doc"};
        QCOMPARE(c.filList->names(), expected == work ? listed : QStringList{"home.asm.1"});
        QCOMPARE(c.Pro_Eng_files->text(), expected == work ? "Pro Eng Files = 4" : "Pro Eng Files = 1");
        QCOMPARE(sorted(readFolder(work).folders), (QStringList{"dirlink.prt.5", "folder.prt.9"}));
        // A screen reader names the drive list's popup and tells how to delete from the file list.
        QCOMPARE((QStringList{spoken(c.drvList->view(), QAccessible::Name), spoken(c.filList, QAccessible::Description)}),
                 (QStringList{"Drives", "Press Delete to delete a selected file"}));
        // Whatever happened, the next folder change is an ordinary one the file list follows.
        c.dirList->setPath(makeFolder(h.home(), "next"));
        QCOMPARE(c.filList->folder(), h.home() + "/next");
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
        const Controls c(w);
        c.dirList->setPath(work);
        c.drvList->setDrive(stick);
        QCOMPARE(c.filList->folder(), stick);
        QCOMPARE(c.drvList->driveOf(stick + "x/a"), QStringLiteral("/")); // a name that only starts alike
        c.drvList->setDrive("/"); // back on the folder last visited there
        QCOMPARE(c.filList->folder(), work);
        c.drvList->setDrive(noMedium);
        QCOMPARE((QStringList{c.drvList->drive(), c.dirList->path(), c.filList->folder()}), (QStringList{"/", work, work}));

        c.txtSearchSpec->setText("*.prt.*");
        QCOMPARE(c.filList->names(), QStringList{"a.prt.1"});
        c.txtSearchSpec->setText("sub/*.prt.*");
        QCOMPARE(c.txtSearchSpec->text(), QStringLiteral("*.*"));
        QCOMPARE(c.filList->names(), (QStringList{"a.prt.1", "b"}));
        c.txtSearchSpec->setText(" b ; ?.PRT.* "); // several, without case, blanks around
        QCOMPARE(c.filList->names(), (QStringList{"a.prt.1", "b"}));
        c.txtSearchSpec->setText("");
        QCOMPARE(c.filList->count(), 2);

        // Leaving the folder list opens the folder highlighted there, if any.
        const auto leaveFrom = [&w, &c](const QString &path) {
            c.dirList->setCurrentItem(c.dirList->findItems(QDir(path).dirName(), Qt::MatchExactly | Qt::MatchRecursive).value(0));
            w.dirList_LostFocus();
        };
        c.dirList->setPath(h.home());
        w.dirList_LostFocus();
        QCOMPARE(c.dirList->path(), h.home());
        leaveFrom(work);
        QCOMPARE(c.filList->folder(), work);

        makeFile(work, "c.prt.2");
        w.Command1_Click();
        QCOMPARE(c.filList->count(), 3);
        QVERIFY(QDir(work).removeRecursively());
        w.Command1_Click();
        QCOMPARE((QStringList{c.dirList->path(), c.filList->folder()}), (QStringList{h.home(), h.home()}));
        QVERIFY(h.messages.shown.isEmpty());

        // A type button on a folder gone meanwhile: home, listed with the button's filter.
        const QString gone = makeFolder(h.home(), "gone");
        makeFile(h.home(), "home.prt.1");
        makeFile(h.home(), "home.asm.1");
        c.dirList->setPath(gone);
        QVERIFY(QDir(gone).removeRecursively());
        w.Command3_Click();
        QCOMPARE((QStringList{c.txtSearchSpec->text(), c.filList->folder()}), (QStringList{"*.prt.*", h.home()}));
        QCOMPARE(c.filList->names(), QStringList{"home.prt.1"});
        QCOMPARE(c.Pro_Eng_files->text(), "Pro Eng Files = 1");

        QVERIFY(QDir(doomed).removeRecursively());
        leaveFrom(doomed);
        QCOMPARE(h.messages.texts(), QStringList{"Device not available!"});
        QCOMPARE(h.messages.shown.first().icon, MessageBoxes::Icon::Critical);
        QCOMPARE((QStringList{c.dirList->path(), c.filList->folder()}), (QStringList{h.home(), h.home()}));
        QVERIFY(!h.busy.isBusy());
        QVERIFY(QDir(h.home()).removeRecursively()); // nowhere left to go: an empty list, not a stale one
        w.Command1_Click();
        QCOMPARE(c.filList->count(), 0);
    }

    // The real message box: its details, once unfolded, are a text box with a name.
    void messageBoxDetails()
    {
        QString detailsName;
        QTimer poll;
        connect(&poll, &QTimer::timeout, [&] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                if (auto *details = box->findChild<QTextEdit *>())
                    detailsName = spoken(details, QAccessible::Name);
                box->accept();
            }
        });
        poll.start(10);
        QtMessageBoxes().show("Aborting", "Vintrex", MessageBoxes::Icon::Critical, MessageBoxes::Buttons::Ok,
                              "a.prt.1: is gone");
        QCOMPARE(detailsName, "Details");
    }

    // However the pattern box gets the focus, the whole pattern is selected, to be typed over.
    void patternBoxSelectsAllOnFocus()
    {
        Harness h;
        Purge &w = h.load();
        const Controls c(w);
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        c.txtSearchSpec->setText("*.prt.*");
        for (const QString way : {"the label's access key", "a click", "tab from the control before"}) {
            c.Command[7]->setFocus();
            c.txtSearchSpec->deselect();
            if (way.startsWith("the label"))
                QTest::keyClick(&w, Qt::Key_C, Qt::AltModifier);
            else if (way == "a click")
                QTest::mouseClick(c.txtSearchSpec, Qt::LeftButton, {}, QPoint(5, 5));
            else
                QTest::keyClick(c.Command[7], Qt::Key_Tab);
            QVERIFY2(c.txtSearchSpec->hasFocus() && c.txtSearchSpec->selectedText() == "*.prt.*", qPrintable(way));
        }
    }

    // A folder that is slow to read: the work runs on its own thread while the window goes on
    // handling its events under the busy pointer; the result or the failure comes back, and
    // quick work never turns the event loop.
    void responsiveWait()
    {
        bool turned = false;
        QTimer::singleShot(0, [&] { turned = true; });
        QCOMPARE(runWhileResponsive([] { return QStringList{"a.prt.1"}; }), QStringList{"a.prt.1"});
        QVERIFY(!turned);
        QVERIFY_THROWS_EXCEPTION(PlatformError, runWhileResponsive([]() -> int { throw PlatformError("gone"); }));

        QSemaphore handled;
        Qt::CursorShape pointer = Qt::ArrowCursor;
        QTimer::singleShot(0, [&] {
            pointer = QGuiApplication::overrideCursor() ? QGuiApplication::overrideCursor()->shape() : Qt::ArrowCursor;
            handled.release();
        });
        // Done only once the window has handled an event meanwhile.
        QVERIFY(runWhileResponsive([&] { return handled.tryAcquire(1, 10000); }));
        QVERIFY(turned);
        QCOMPARE(pointer, Qt::WaitCursor);
        QVERIFY(!QGuiApplication::overrideCursor());
    }

    // The Options menu stands before About. A choice there is saved at once, closing the window
    // leaves it saved, and a new window starts with it; nothing chosen, nothing is saved.
    void optionsMenu()
    {
        Harness h({"a.prt.1", "a.prt.2", "notes.doc"});
        Purge &w = h.load();
        const Controls c(w);
        const auto menu = [&w](const char *name) { return Controls::named<QMenu>(w, name); };
        const QString ini = h.path("Pro.ini");
        // Whether the entry's choice went to the file at once.
        const auto choose = [&w, &ini](const QString &name) {
            const QByteArray before = fileContent(ini);
            Controls::named<QAction>(w, qPrintable(name))->trigger();
            return fileContent(ini) != before;
        };
        QCOMPARE(w.menuBar()->actions(), (QList<QAction *>{menu("optionsMenu")->menuAction(), Controls::named<QAction>(w, "frmabout")}));
        QCOMPARE(spoken(menu("optionsMenu"), QAccessible::Name), "Options");
        QCOMPARE(entries(menu("optionsMenu")), (QStringList{"Keep versions", "Move to trash instead of deleting", "Renumber kept versions from 1", "Version types"}));
        QCOMPARE(entries(menu("keepMenu")), (QStringList{"1*", "2", "3", "5"}));
        QCOMPARE(entries(menu("typesMenu")), (QStringList{"asm*", "prt*", "drw*", "sec*", "bom*", "txt*", "frm", "lay", "dgm", "gph", "sym", "tbl", "win", "mfg"}));
        QCOMPARE(w.purgeOptions(), PurgeOptions());
        w.Form_Unload();
        QVERIFY(!fileContent(ini).contains("[Options]"));

        for (const QString name : {"keep3", "keep2", "trashOption", "renumberOption", "renumberOption"})
            QVERIFY2(choose(name), qPrintable(name));
        c.Pro_Eng_files->clear(); // choosing types counts again
        for (const QString type : {"asm", "drw", "sec", "bom", "txt"})
            QVERIFY2(choose("type_" + type), qPrintable(type));
        QVERIFY(!choose("type_prt")); // the last one stays
        QCOMPARE(c.Pro_Eng_files->text(), "Pro Eng Files = 2");
        QCOMPARE(entries(menu("typesMenu")).mid(0, 3), (QStringList{"asm", "prt*-", "drw"}));
        PurgeOptions chosen{2, true, false, {}};
        QVERIFY(VersionTypeSet::parse("prt", chosen.types));
        QCOMPARE(w.purgeOptions(), chosen);
        // The section as it stands in the file, its keys in any order.
        const auto savedOptions = [&] {
            QStringList lines = QString::fromUtf8(fileContent(ini)).section("[Options]", 1).section("\n[", 0, 0).split(QRegularExpression("\\r?\\n"), Qt::SkipEmptyParts);
            lines.sort();
            return lines;
        };
        const QStringList saved = {"Keep=2", "Renumber=false", "Trash=true", "Types=prt"};
        QCOMPARE(savedOptions(), saved);
        w.Form_Unload();
        QCOMPARE(savedOptions(), saved);
        QCOMPARE(SettingsStore("Pro", ini).value("Startup", "Dir"), h.folder);
        QCOMPARE(h.load().purgeOptions(), chosen);
    }

    void unreadableOptions_data()
    {
        QTest::addColumn<QByteArray>("saved");
        QTest::addColumn<int>("keep");
        QTest::addColumn<bool>("trash");
        QTest::addColumn<QString>("types");
        const QString six = VersionTypeSet().toString();
        QTest::newRow("keep not a number") << QByteArray("Keep=abc") << 1 << false << six;
        QTest::newRow("keep not offered") << QByteArray("Keep=4") << 1 << false << six;
        QTest::newRow("keep offered") << QByteArray("Keep=5") << 5 << false << six;
        QTest::newRow("unknown type") << QByteArray("Types=xyz") << 1 << false << six;
        QTest::newRow("unknown type among known ones") << QByteArray("Types=\"prt,xyz\"") << 1 << false << six;
        QTest::newRow("types written by hand") << QByteArray("Types=PRT, frm") << 1 << false << "prt,frm";
        QTest::newRow("trash neither true nor false") << QByteArray("Trash=maybe") << 1 << false << six;
        QTest::newRow("trash") << QByteArray("Trash=true") << 1 << true << six;
    }

    // A value the window cannot read is taken as the default; the file stays as it is until the
    // user chooses something.
    void unreadableOptions()
    {
        QFETCH(QByteArray, saved);
        QFETCH(int, keep);
        QFETCH(bool, trash);
        QFETCH(QString, types);
        Harness h;
        const QByteArray ini = "[Options]\n" + saved + "\n";
        makeFile(h.dir.path(), "Pro.ini", ini);
        h.settings.sync();
        PurgeOptions expected{keep, trash, false, {}};
        QVERIFY(VersionTypeSet::parse(types, expected.types));
        Purge &w = h.load();
        QCOMPARE(w.purgeOptions(), expected);
        QVERIFY(entries(Controls::named<QMenu>(w, "keepMenu")).contains(QString::number(keep) + "*"));
        QCOMPARE(fileContent(h.path("Pro.ini")), ini);
    }

    // What stands in the settings file's place is read and rewritten only when it is settings: a
    // FIFO would block the start for good, a link may lead to a file that is not ours, a huge file
    // is no settings. A link to the user's own file, as dotfile managers make, is followed.
    void settingsFileInOddPlaces_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("used");
        QTest::newRow("FIFO") << "fifo" << false;
        QTest::newRow("dangling link") << "dangling" << false;
        QTest::newRow("link to another user's file") << "foreign" << false;
        QTest::newRow("larger than 64 KiB") << "large" << false;
        QTest::newRow("link to the user's own file") << "link" << true;
    }
    void settingsFileInOddPlaces()
    {
        SKIP_WITHOUT_POSIX();
        QFETCH(QString, kind);
        QFETCH(bool, used);
        QTemporaryDir dir;
        const QString ini = dir.filePath("Pro.ini");
        // The file that holds settings, where there is one: the link's target, or the file itself.
        const QString file = kind == "large" ? ini : dir.filePath("target");
        const QByteArray saved = "[Startup]\nDir=/saved\n";
        if (kind == "fifo")
            QVERIFY(makeFifo(ini));
        else if (kind != "dangling")
            makeFile(dir.path(), QFileInfo(file).fileName(), kind == "large" ? saved + QByteArray(64 * 1024, '#') : saved);
        if (kind == "foreign" && !giveToAnotherUser(file))
            QSKIP("only root can give a file to another user");
        if (kind == "dangling" || kind == "foreign" || kind == "link")
            QVERIFY(QFile::link(file, ini));
        const auto content = [&] {
            QFile f(file);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(none)");
        };
        const QByteArray before = content();
        SettingsStore store("Pro", ini);
        QCOMPARE(store.value("Startup", "Dir"), used ? "/saved" : "");
        store.setValue("Startup", "Dir", "/new");
        store.sync();
        QVERIFY(kind == "fifo" ? isFifo(ini) : QFileInfo(ini).isSymLink() == (kind != "large"));
        if (used)
            QCOMPARE(SettingsStore("Pro", ini).value("Startup", "Dir"), "/new");
        else if (kind != "fifo")
            QCOMPARE(content(), before); // a dangling link's target is not created either
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
        QTest::newRow("to the trash") << "trash" << del << yes << QStringList{"a.prt.1", "notes.txt"} << "%1 moved to trash!";
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
        const Controls c(w);
        QString folder = h.folder, name = "a.prt.2";
        const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
        const auto restore = qScopeGuard([&] { qputenv("XDG_DATA_HOME", dataHome); });
        if (kind == "trash") {
#ifdef Q_OS_WIN
            QSKIP("the Recycle Bin under Wine is this machine's own trash");
#endif
            qputenv("XDG_DATA_HOME", QFile::encodeName(h.path("data")));
            w.findChild<QAction *>("trashOption")->trigger();
        } else if (kind == "link") {
            QVERIFY(QFile::link("a.prt.2", folder + "/z.prt.9"));
            w.Command1_Click();
            name = "z.prt.9";
        } else if (kind == "linked") {
            folder = h.path("linked");
            QVERIFY(QFile::link(h.folder, folder));
            c.dirList->setPath(folder);
        }
        const QString path = folder + "/" + name, shownPath = asShown(path);
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner));
        if (kind != "nothing selected")
            c.filList->setCurrentIndex(c.filList->model()->index(int(c.filList->names().indexOf(name)), 0));
        if (kind == "replaced") {
            makeFile(folder, "other");
            std::filesystem::rename(QFile::encodeName(folder + "/other").constData(),
                                    QFile::encodeName(path).constData());
            makeFile(folder, "b.prt.1");
        } else if (last.isEmpty()) {
            makeFile(folder, "new.prt.1");
        }
        h.messages.answers = answers;
        QTest::keyRelease(c.filList, Qt::Key(key & ~Qt::KeyboardModifierMask), Qt::KeyboardModifiers(key & Qt::KeyboardModifierMask));
        const QStringList texts = h.messages.texts();
        if (last.isEmpty()) {
            QCOMPARE(texts, QStringList());
            QCOMPARE(c.filList->text(c.filList->selectedRow()), kind.isEmpty() ? name : QString());
            QCOMPARE(c.Pro_Eng_files->text(), "Pro Eng Files = 2"); // read again, not counted again
        } else {
            const QStringList questions = kind == "trash" ? QStringList{"Move " + shownPath + " to trash ?", "Are you sure you want to move " + shownPath + " to trash?"}
                                                          : QStringList{"Delete " + shownPath + " ?", "Are you sure you want to delete " + shownPath + "?"};
            QCOMPARE(texts.mid(0, answers.size()), questions.mid(0, answers.size()));
            QCOMPARE(QFileInfo::exists(h.path("data/Trash/files/" + name)), kind == "trash");
            QCOMPARE(texts.last(), last.replace("%1", shownPath));
            QCOMPARE(h.messages.shown.last().details, kind == "replaced" ? shownPath + ": has been replaced by another file since it was listed" : "");
            QCOMPARE(c.Pro_Eng_files->text(), QString("Pro Eng Files = %1").arg(std::count_if(left.begin(), left.end(), [](const QString &name) { return isProEngVersionFile(name); })));
        }
        QCOMPARE(namesIn(folder), left);
        QCOMPARE(c.filList->names(), left);
    }

    // On screen: the focus starts on Cancel, the nine controls rest, both boxes fit a long path;
    // closing the dialog ends the run like Cancel, and the next run gets a fresh dialog. Turning
    // the questions off warns. However the last run was answered, the next one starts on Cancel
    // again, and the dialog made small still shows every answer.
    void confirmedRunOnScreen()
    {
        const QString longName = QString(58, 'f');
        Harness h({"p.prt.1", "p.prt.2", "p.prt.3"}, longName + "/" + longName + "/" + longName);
        Purge &w = h.load();
        const Controls c(w);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        h.purge();
        Delete_Confirm *d = h.confirm->dialog();
        const QPointer<Delete_Confirm> first(d);
        QVERIFY(QTest::qWaitForWindowActive(d));
        QCOMPARE(QApplication::focusWidget(), d->Delete_Cancel);
        const QList<QWidget *> resting = {c.Purge_Command, c.Ask, c.Command[1], c.Command[2], c.Command[3],
                                          c.Command[4], c.Command[5], c.Command[6], c.Command[7]};
        for (QWidget *control : resting)
            QVERIFY2(!control->isEnabled(), qPrintable(control->objectName()));
        QAction *options = Controls::named<QMenu>(w, "optionsMenu")->menuAction();
        QVERIFY(!options->isEnabled());
        // Under Wine the dialog's font has other metrics than on Windows, and the boxes overflow
        // there; whether they fit on Windows itself is not seen here.
        for (QLabel *box : {d->Latest_File_info, d->Delete_File_info})
            QVERIFY2(runningUnderWine() || (box->sizeHint().width() <= box->width() && box->sizeHint().height() <= box->height()),
                     qPrintable(box->text()));
        // A screen reader gets the box's title, then the whole text, which the box shows shortened.
        QCOMPARE(spoken(d->Latest_File_info, QAccessible::Name), "Latest File Version Information");
        QCOMPARE(spoken(d->Delete_File_info, QAccessible::Name), "File to Delete");
        QVERIFY(spoken(d->Delete_File_info, QAccessible::Description).startsWith("Delete " + asShown(h.folder + "/p.prt.1") + " ?\n"));
        QVERIFY(!d->Delete_File_info->text().contains(asShown(h.folder)));
        // A double click on the purge list tells about the file under it; below the last entry,
        // or on an empty list, there is no file to tell about.
        c.DeleteFiles->setCurrentRow(1);
        w.DeleteFiles_DblClick();
        QTest::mouseDClick(c.DeleteFiles->viewport(), Qt::LeftButton, {}, QPoint(5, c.DeleteFiles->viewport()->height() - 5));
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
        QVERIFY(options->isEnabled());
        QVERIFY(c.ProgressBar1->isHidden() && c.DeleteFiles->isHidden() && c.PurgeListLabel->isHidden() && !h.busy.isBusy());
        QTest::mouseClick(c.Ask, Qt::LeftButton); // now the purge will not ask, and the user is told so
        QCOMPARE(h.messages.texts().last(), "Warning - ALL old versions of Pro Eng Files will be delete when purging!");
        QTest::mouseClick(c.Ask, Qt::LeftButton);
        QTRY_VERIFY(!h.confirm->dialog());
        h.purge();
        Delete_Confirm *again = h.confirm->dialog();
        QVERIFY(!first && again && again->isVisible()); // made anew, maybe where the first one was
        QVERIFY(QTest::qWaitForWindowActive(again));
        QTest::keyClick(again, Qt::Key_Tab);
        QTest::keyClick(again, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), again->Yes_Delete_All);
        QTest::keyClick(again, Qt::Key_Return);
        QCOMPARE(namesIn(h.folder), QStringList{"p.prt.3"});
        makeFile(h.folder, "p.prt.4");
        w.Command1_Click();
        h.purge();
        QCOMPARE(h.confirm->dialog(), again); // hidden between runs, not made anew
        QCOMPARE(again->focusWidget(), again->Delete_Cancel); // the focus once it is active
        QTest::keyClick(again, Qt::Key_Return);
        QVERIFY(again->isHidden());
        QCOMPARE(namesIn(h.folder), (QStringList{"p.prt.3", "p.prt.4"}));
        again->resize(300, 120);
        for (QWidget *answer : {again->Yes_Delete, again->Yes_Delete_All, again->No_Delete, again->Delete_Cancel})
            QVERIFY2(again->rect().contains(QRect(answer->mapTo(again, QPoint()), answer->size())),
                     qPrintable(answer->objectName()));
    }

    void purgeListRemovals_data()
    {
        QTest::addColumn<QStringList>("removals"); // name@row where it is expected
        QTest::addColumn<QStringList>("left");
        QTest::newRow("from the top, as Yes to All") << QStringList{"a@0", "b@0", "c@0"} << QStringList{"d", "e", "f"};
        QTest::newRow("below kept entries") << QStringList{"c@2", "d@2"} << QStringList{"a", "b", "e", "f"};
        QTest::newRow("from the bottom") << QStringList{"f@5", "e@4"} << QStringList{"a", "b", "c", "d"};
        QTest::newRow("elsewhere, or not listed") << QStringList{"d@0", "x@1"} << QStringList{"a", "b", "c", "e", "f"};
        QTest::newRow("several at once, below kept entries") << QStringList{"c,d,e@2"} << QStringList{"a", "b", "f"};
        QTest::newRow("several at once, not together") << QStringList{"b,d@1", "f,x@4"} << QStringList{"a", "c", "e"};
    }

    // An entry leaves the purge list wherever it stands, alone or with others; the others keep
    // their order and paths.
    void purgeListRemovals()
    {
        QFETCH(QStringList, removals);
        QFETCH(QStringList, left);
        PurgeList list;
        list.setFiles("/work/", {"a", "b", "c", "d", "e", "f"});
        for (const QString &removal : removals) {
            const QStringList names = removal.section('@', 0, 0).split(',');
            if (names.size() > 1)
                list.removeFiles(names, removal.section('@', 1).toInt());
            else
                list.removeFile(names.first(), removal.section('@', 1).toInt());
        }
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

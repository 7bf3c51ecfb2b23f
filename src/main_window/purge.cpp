#include "purge.h"

#include "aboutform.h"
#include "appicon.h"
#include "busypointer.h"
#include "detailstext.h"
#include "fileinformation.h"
#include "dirlist.h"
#include "drivelist.h"
#include "filelist.h"
#include "messageboxes.h"
#include "patternedit.h"
#include "platformerror.h"
#include "promodule.h"
#include "purgelist.h"
#include "settingsstore.h"
#include "twips.h"
#include "versiontypes.h"

#include <QAbstractItemView>
#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>

#include <algorithm>

namespace {

const QString kSection = QStringLiteral("Startup");
const QString kOptionsSection = QStringLiteral("Options");
// How many versions of each model a purge may keep.
constexpr int kKeepChoices[] = {1, 2, 3, 5};
const QString kAllFiles = QStringLiteral("*.*");
const QColor kWindowGrey(192, 192, 192);

void paintBackground(QWidget *widget, const QColor &colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

void setTextColour(QWidget *widget, const QColor &colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::Text, colour);
    widget->setPalette(palette);
}

template <typename Control>
Control *place(Control *control, const char *name, const QRect &geometry,
               const QString &toolTip = QString())
{
    control->setObjectName(QLatin1String(name));
    control->setGeometry(geometry);
    if (!toolTip.isEmpty())
        control->setToolTip(toolTip);
    return control;
}

// The button of version type `k` of the table.
QPushButton *typeButton(QWidget *parent, size_t k)
{
    const VersionType &type = kVersionTypes[k];
    const QString caption = QString::fromUtf16(type.caption);
    auto *button = place(new QPushButton(caption, parent), type.buttonName,
                         twips(type.buttonLeft, 6600, 495, 255), QString::fromUtf16(type.toolTip));
    button->setAccessibleName(caption);
    return button;
}

QAction *addOption(QMenu *menu, const QString &text, const char *name)
{
    QAction *action = menu->addAction(text);
    action->setObjectName(QLatin1String(name));
    action->setCheckable(true);
    return action;
}

QMenu *addSubmenu(QMenu *menu, const QString &text, const char *name)
{
    QMenu *submenu = menu->addMenu(text);
    submenu->setObjectName(QLatin1String(name));
    submenu->setAccessibleName(QString(text).remove(QLatin1Char('&')));
    return submenu;
}

bool isTrue(const QString &value)
{
    return value.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 ||
           value == QLatin1String("1");
}

QString typePattern(size_t k)
{
    return QStringLiteral("*.") + QString::fromUtf16(kVersionTypes[k].type) + QStringLiteral(".*");
}

} // namespace

Purge::Purge(ProModule &engine, SettingsStore &settings, MessageBoxes &messages, BusyPointer &busy,
             Registry &registry, ProgramStarter &starter, QWidget *parent)
    : QMainWindow(parent), m_engine(engine), m_settings(settings), m_messages(messages),
      m_busy(busy), m_registry(registry), m_starter(starter)
{
    setObjectName(QStringLiteral("Purge"));
    setWindowTitle(QStringLiteral("Vintrex"));
    setWindowIcon(applicationIcon());
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    paintBackground(this, kWindowGrey);

    createOptionsMenu();
    frmabout = menuBar()->addAction(QStringLiteral("About"));
    frmabout->setObjectName(QStringLiteral("frmabout"));

    createControls();
    readOptions();
    connectHandlers();
    showInitialFolder();
}

void Purge::createOptionsMenu()
{
    optionsMenu = menuBar()->addMenu(QStringLiteral("&Options"));
    optionsMenu->setObjectName(QStringLiteral("optionsMenu"));
    optionsMenu->setAccessibleName(QStringLiteral("Options"));

    QMenu *keepMenu = addSubmenu(optionsMenu, QStringLiteral("&Keep versions"), "keepMenu");
    m_keepGroup = new QActionGroup(keepMenu); // exclusive
    for (const int keep : kKeepChoices) {
        QAction *action = addOption(keepMenu, QStringLiteral("&%1").arg(keep),
                                    qPrintable(QStringLiteral("keep%1").arg(keep)));
        action->setData(keep);
        m_keepGroup->addAction(action);
    }
    m_trashOption =
        addOption(optionsMenu, QStringLiteral("Move to &trash instead of deleting"), "trashOption");
    m_renumberOption =
        addOption(optionsMenu, QStringLiteral("&Renumber kept versions from 1"), "renumberOption");

    QMenu *typesMenu = addSubmenu(optionsMenu, QStringLiteral("&Version types"), "typesMenu");
    for (const VersionType &type : kVersionTypes) {
        const QString name = QString::fromUtf16(type.type);
        m_typeOptions.append(
            addOption(typesMenu, name, qPrintable(QStringLiteral("type_") + name)));
    }
}

void Purge::createControls()
{
    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("clientArea"));
    client->setFixedSize(twips(0, 0, 8565, 7785).size());
    setCentralWidget(client);
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    Picture1 = place(new QWidget(client), "Picture1", twips(0, 0, 8055, 7695));
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPointSizeF(8.25);
    font.setBold(true);
    Picture1->setFont(font);
    // Disabled captions stay readable on the grey panel.
    QPalette panelPalette = Picture1->palette();
    for (const auto role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text})
        panelPalette.setColor(QPalette::Disabled, role, QColor(112, 112, 112));
    Picture1->setPalette(panelPalette);

    // Created in tab order, so that the focus chain follows the design.
    createBrowser(Picture1);
    createPurgeControls(Picture1, font);
    createPurgeList(Picture1);

    // Labels and the progress bar never take the focus; the rest in design order.
    QWidget *const chain[] = {txtSearchSpec, filList,  dirList,  drvList,  Purge_Command,
                              Command1,      Command2, Command3, Command4, Ask,
                              DeleteFiles,   Command5, Command6, Command7};
    for (size_t i = 0; i + 1 < std::size(chain); ++i)
        setTabOrder(chain[i], chain[i + 1]);
    ProgressBar1->setFocusPolicy(Qt::NoFocus);
}

void Purge::createBrowser(QWidget *panel)
{
    lblCriteria = place(new QLabel(QStringLiteral("Filter &Criteria:"), panel), "lblCriteria",
                        twips(4560, 410, 1335, 255));
    txtSearchSpec = place(new PatternEdit(panel), "txtSearchSpec", twips(5760, 360, 2055, 285),
                          QStringLiteral("Click o change filter criteria"));
    txtSearchSpec->setText(kAllFiles);
    txtSearchSpec->setAccessibleName(QStringLiteral("Filter criteria"));
    lblCriteria->setBuddy(txtSearchSpec);

    filList = place(new FileList(panel), "filList", twips(4560, 720, 3255, 5355),
                    QStringLiteral("Press Delete to delete a selected file"));
    filList->setAccessibleName(QStringLiteral("Files"));
    // A screen reader reads the description, not the tool tip that only the mouse brings up.
    filList->setAccessibleDescription(filList->toolTip());
    dirList = place(new DirList(panel), "dirList", twips(360, 750, 3495, 5265));
    dirList->setAccessibleName(QStringLiteral("Folders"));
    drvList = place(new DriveList(panel), "drvList", twips(840, 360, 2415, 315));
    drvList->setAccessibleName(QStringLiteral("Drives"));
    drvList->view()->setAccessibleName(QStringLiteral("Drives"));

    Label1 = place(new QLabel(QStringLiteral("Files = "), panel), "Label1",
                   twips(6720, 6120, 1455, 255), QStringLiteral("Total number of files"));
}

void Purge::createPurgeControls(QWidget *panel, const QFont &font)
{
    Purge_Command = place(new QPushButton(QStringLiteral("Purge "), panel), "Purge_Command",
                          twips(1560, 6480, 1095, 495),
                          QStringLiteral("Purge old versions of Pro Eng files as displayed in file list"));
    Purge_Command->setAccessibleName(QStringLiteral("Purge"));
    QFont purgeFont = font;
    purgeFont.setPointSizeF(9.75);
    Purge_Command->setFont(purgeFont);
    // A flat face in its own grey: the style's gradient would make it look like Refresh.
    Purge_Command->setStyleSheet(QStringLiteral(
        "QPushButton { background-color: rgb(224, 224, 224); border: 2px outset rgb(224, 224, 224); }"
        "QPushButton:pressed { border-style: inset; }"
        "QPushButton:focus { border-color: rgb(96, 96, 96); }"));

    ProgressBar1 = place(new QProgressBar(panel), "ProgressBar1", twips(1200, 6960, 5775, 255));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setAccessibleName(QStringLiteral("Purge progress"));
    ProgressBar1->hide();

    Command1 = place(new QPushButton(QStringLiteral("Refresh"), panel), "Command1",
                     twips(3960, 6480, 855, 375), QStringLiteral("Refresh file list"));
    Command1->setAccessibleName(Command1->text());
    Command2 = typeButton(panel, 0);
    Command3 = typeButton(panel, 1);
    Command4 = typeButton(panel, 2);

    Ask = place(new QCheckBox(QStringLiteral("Confirm before delete ?"), panel), "Ask",
                twips(360, 6120, 2775, 255),
                QStringLiteral("Check this box to confirm before deleting each file"));
    Ask->setAccessibleName(QStringLiteral("Confirm before delete ?"));
}

void Purge::createPurgeList(QWidget *panel)
{
    DeleteFiles = place(new PurgeList(panel), "DeleteFiles", twips(360, 360, 7695, 5730),
                        QStringLiteral("Double click file for info"));
    DeleteFiles->setAccessibleName(QStringLiteral("Files to purge"));
    DeleteFiles->viewport()->installEventFilter(this);
    QFont listFont(QStringLiteral("Courier New"));
    listFont.setPointSizeF(8.25);
    listFont.setBold(false);
    listFont.setStyleHint(QFont::TypeWriter);
    DeleteFiles->setFont(listFont);
    QPalette listPalette = DeleteFiles->palette();
    listPalette.setColor(QPalette::Base, Qt::white);
    listPalette.setColor(QPalette::Text, QColor(64, 64, 64));
    DeleteFiles->setPalette(listPalette);
    DeleteFiles->hide();

    Pro_Eng_files = place(new QLabel(QStringLiteral("Pro Eng Files = 0 "), panel), "Pro_Eng_files",
                          twips(4680, 6120, 2055, 255),
                          QStringLiteral("Number of Pro Eng files detected"));

    Command5 = typeButton(panel, 3);
    Command6 = typeButton(panel, 4);
    Command7 = typeButton(panel, 5);

    PurgeListLabel = place(new QLabel(panel), "PurgeListLabel", twips(360, 100, 3735, 255));
    setTextColour(PurgeListLabel, Qt::black);
    PurgeListLabel->hide();

    FILE_DELETING_LABEL =
        place(new QLabel(QStringLiteral("FINDING OLD VERSIONS OF PRO ENG FILES........"), panel),
              "FILE_DELETING_LABEL", twips(1680, 7320, 4485, 195));
    FILE_DELETING_LABEL->setAlignment(Qt::AlignCenter);
    setTextColour(FILE_DELETING_LABEL, QColor(0, 0, 192));
    FILE_DELETING_LABEL->hide();
}

void Purge::connectHandlers()
{
    connect(m_keepGroup, &QActionGroup::triggered, this, &Purge::saveOptions);
    connect(m_trashOption, &QAction::triggered, this, &Purge::saveOptions);
    connect(m_renumberOption, &QAction::triggered, this, &Purge::saveOptions);
    for (QAction *action : std::as_const(m_typeOptions))
        connect(action, &QAction::triggered, this, &Purge::typeOption_Triggered);
    connect(frmabout, &QAction::triggered, this, &Purge::frmabout_Click);
    connect(drvList, &DriveList::driveChanged, this, &Purge::drvList_Change);
    connect(dirList, &DirList::pathChanged, this, &Purge::dirList_Change);
    connect(dirList, &DirList::lostFocus, this, &Purge::dirList_LostFocus);
    connect(dirList, &DirList::entryOpened, this, &Purge::openHighlightedFolder);
    connect(txtSearchSpec, &QLineEdit::textChanged, this, &Purge::txtSearchSpec_Change);
    connect(txtSearchSpec, &PatternEdit::gotFocus, this, &Purge::txtSearchSpec_GotFocus);
    connect(Command1, &QPushButton::clicked, this, &Purge::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Purge::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Purge::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &Purge::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &Purge::Command5_Click);
    connect(Command6, &QPushButton::clicked, this, &Purge::Command6_Click);
    connect(Command7, &QPushButton::clicked, this, &Purge::Command7_Click);
    connect(Purge_Command, &QPushButton::clicked, this, &Purge::Purge_Command_Click);
    connect(Ask, &QCheckBox::toggled, this, &Purge::Ask_Click);
    connect(DeleteFiles, &QListView::doubleClicked, this, &Purge::DeleteFiles_DblClick);
    connect(filList, &FileList::keyReleased, this, &Purge::filList_KeyUp);
}

// Before loading, the lists show the home folder, as a file dialog would.
void Purge::showInitialFolder()
{
    for (const QString &folder : {QDir::homePath(), QDir::rootPath()}) {
        try {
            const QSignalBlocker blockDirs(dirList);
            dirList->setPath(folder);
            filList->setFolder(folder, dirList->takeListing());
            drvList->noteFolder(folder);
            return;
        } catch (const PlatformError &) {
        }
    }
}

void Purge::readOptions()
{
    PurgeOptions options;
    bool isNumber = false;
    const int keep = m_settings.value(kOptionsSection, QStringLiteral("Keep")).toInt(&isNumber);
    if (isNumber && std::ranges::find(kKeepChoices, keep) != std::end(kKeepChoices))
        options.keep = keep;
    options.trash = isTrue(m_settings.value(kOptionsSection, QStringLiteral("Trash")));
    options.renumber = isTrue(m_settings.value(kOptionsSection, QStringLiteral("Renumber")));
    VersionTypeSet types;
    if (VersionTypeSet::parse(m_settings.value(kOptionsSection, QStringLiteral("Types")), types))
        options.types = types;

    for (QAction *action : m_keepGroup->actions())
        action->setChecked(action->data().toInt() == options.keep);
    m_trashOption->setChecked(options.trash);
    m_renumberOption->setChecked(options.renumber);
    for (QAction *action : std::as_const(m_typeOptions))
        action->setChecked(options.types.contains(action->text()));
    guardLastType();
}

PurgeOptions Purge::purgeOptions() const
{
    PurgeOptions options;
    if (const QAction *keep = m_keepGroup->checkedAction())
        options.keep = keep->data().toInt();
    options.trash = m_trashOption->isChecked();
    options.renumber = m_renumberOption->isChecked();
    QStringList types;
    for (const QAction *action : m_typeOptions) {
        if (action->isChecked())
            types.append(action->text());
    }
    VersionTypeSet::parse(types.join(QLatin1Char(',')), options.types);
    return options;
}

// Saved as soon as it is chosen, so that a run of the program that ends without closing the
// window, and the command line, see it too.
void Purge::saveOptions()
{
    const PurgeOptions options = purgeOptions();
    const auto yesNo = [](bool value) {
        return value ? QStringLiteral("true") : QStringLiteral("false");
    };
    m_settings.setValue(kOptionsSection, QStringLiteral("Keep"), QString::number(options.keep));
    m_settings.setValue(kOptionsSection, QStringLiteral("Trash"), yesNo(options.trash));
    m_settings.setValue(kOptionsSection, QStringLiteral("Renumber"), yesNo(options.renumber));
    m_settings.setValue(kOptionsSection, QStringLiteral("Types"), options.types.toString());
    m_settings.sync();
}

void Purge::typeOption_Triggered()
{
    guardLastType();
    saveOptions();
    // "Pro Eng Files" counts the chosen types.
    m_engine.CountProEngFiles();
}

void Purge::guardLastType()
{
    const auto chosen = std::ranges::count_if(m_typeOptions, &QAction::isChecked);
    for (QAction *action : std::as_const(m_typeOptions))
        action->setEnabled(!(chosen == 1 && action->isChecked()));
}

void Purge::Form_Load()
{
    StartupFolderPending = true;
    paintBackground(lblCriteria, palette().color(QPalette::Window));
    Picture1->move(0, 0);
    paintBackground(Picture1, palette().color(QPalette::Window));
    showFileCount();
    Ask->setChecked(true);
    RestoreStartupDrive();
    dirList_Change();
    m_engine.CountProEngFiles();
}

void Purge::RestoreStartupDrive()
{
    try {
        drvList->setDrive(m_settings.value(kSection, QStringLiteral("Drive")));
    } catch (const PlatformError &) {
        // No such drive any more: the drive list stays where it is.
    }
}

void Purge::Form_Unload()
{
    // Each step on its own: the program ends whatever fails.
    const QString folder = filList->folder();
    m_settings.removeSection(kSection);
    m_settings.setValue(kSection, QStringLiteral("Drive"), folder.left(1));
    m_settings.setValue(kSection, QStringLiteral("Dir"), folder);
    m_settings.sync();
    QCoreApplication::exit(0);
}

void Purge::closeEvent(QCloseEvent *event)
{
    Form_Unload();
    event->accept();
}

AboutForm *Purge::about() const
{
    return m_about;
}

void Purge::frmabout_Click()
{
    if (!m_about) {
        m_about = new AboutForm(m_registry, m_starter, m_messages, this);
        m_about->setAttribute(Qt::WA_DeleteOnClose);
        m_about->setModal(false);
    }
    m_about->show();
    m_about->raise();
    m_about->activateWindow();
}

void Purge::drvList_Change()
{
    try {
        dirList->setPath(drvList->folderOn(drvList->drive()));
    } catch (const PlatformError &) {
        // Not ready: back to the drive of the current folder, which raises this handler again
        // and leaves the folder list where it is.
        try {
            drvList->setDrive(drvList->driveOf(dirList->path()));
        } catch (const PlatformError &) {
        }
    }
}

void Purge::dirList_Change()
{
    m_busy.setBusy();
    try {
        if (StartupFolderPending) {
            QString saved = m_settings.value(kSection, QStringLiteral("Dir"));
            if (!m_startupFolder.isEmpty())
                saved = m_startupFolder;
            if (saved.isEmpty())
                saved = QDir::homePath();
            // A different folder raises a nested change, which finds the folder list there
            // already and finishes this restore with the listing just read.
            if (QDir::cleanPath(saved) != dirList->path())
                dirList->setPath(saved);
            if (StartupFolderPending) {
                StartupFolderPending = false;
                followFolderList();
            }
            // The pointer stays busy: the load's census ends it.
        } else {
            followFolderList();
            m_busy.setNormal();
            showFileCount();
            m_engine.CountProEngFiles();
        }
    } catch (const PlatformError &) {
        // Given up on this folder, the saved one included: browsing goes on from the home folder.
        StartupFolderPending = false;
        fallBackToHomeFolder();
        m_busy.setNormal();
    }
}

void Purge::followFolderList()
{
    // The folder list has just read its folder; a second change handling without a move of
    // the folder list (the load runs one) finds the file list there already.
    std::optional<FolderListing> listing = dirList->takeListing();
    if (listing || filList->folder() != dirList->path())
        filList->setFolder(dirList->path(), std::move(listing));
    drvList->noteFolder(dirList->path());
}

void Purge::fallBackToHomeFolder()
{
    if (m_fallingBack) {
        // Not even the home folder can be read: show nothing rather than a stale list.
        filList->clear();
        return;
    }
    m_fallingBack = true;
    const QString home = QDir::homePath();
    try {
        drvList->noteFolder(home); // the home drive, at the home folder
        if (dirList->path() != home)
            dirList->setPath(home); // raises the folder change
        if (filList->folder() != dirList->path())
            dirList_Change();
    } catch (const PlatformError &) {
        filList->clear();
    }
    m_fallingBack = false;
}

void Purge::dirList_LostFocus()
{
    m_busy.setBusy();
    openHighlightedFolder();
    m_busy.setNormal();
}

void Purge::openHighlightedFolder()
{
    const QString target = dirList->highlightedPath();
    if (target == dirList->path())
        return;
    try {
        dirList->setPath(target);
    } catch (const PlatformError &) {
        m_busy.setNormal();
        m_messages.inform(QStringLiteral("Device not available!"), MessageBoxes::Icon::Critical);
    }
}

void Purge::txtSearchSpec_Change()
{
    try {
        filList->setPattern(txtSearchSpec->text());
    } catch (const PlatformError &) {
        if (filList->pattern() != txtSearchSpec->text())
            txtSearchSpec->setText(kAllFiles); // refused; raises this handler again
        else
            fileListFolderFailed(); // the pattern is taken: the folder itself is gone
        return;
    }
    showFileCount();
    m_engine.CountProEngFiles();
}

void Purge::txtSearchSpec_GotFocus()
{
    txtSearchSpec->setSelection(0, int(txtSearchSpec->text().size()));
}

void Purge::rereadFileList()
{
    try {
        filList->refresh();
    } catch (const PlatformError &) {
        fileListFolderFailed();
    }
}

void Purge::fileListFolderFailed()
{
    // The home folder itself gone: nowhere left to go, and an empty list rather than a stale one.
    if (filList->folder() == QDir::cleanPath(QDir::homePath()))
        filList->clear();
    else
        fallBackToHomeFolder();
}

void Purge::Command1_Click()
{
    rereadFileList();
    m_engine.CountProEngFiles();
}

void Purge::typeButtonClick(const QString &pattern)
{
    txtSearchSpec->setText(txtSearchSpec->text() == pattern ? kAllFiles : pattern);
    m_engine.CountProEngFiles();
}

void Purge::Command2_Click()
{
    typeButtonClick(typePattern(0));
}

void Purge::Command3_Click()
{
    typeButtonClick(typePattern(1));
}

void Purge::Command4_Click()
{
    typeButtonClick(typePattern(2));
}

void Purge::Command5_Click()
{
    typeButtonClick(typePattern(3));
}

void Purge::Command6_Click()
{
    typeButtonClick(typePattern(4));
}

void Purge::Command7_Click()
{
    typeButtonClick(typePattern(5));
}

void Purge::showFileCount()
{
    Label1->setText(QStringLiteral("Files = ") + QString::number(filList->count()));
}

void Purge::Purge_Command_Click()
{
    Purge_Command->hide();
    m_busy.setBusy();
    m_engine.runPurge();
    m_busy.setNormal();
    Purge_Command->show();
}

void Purge::Ask_Click()
{
    if (!Ask->isChecked())
        m_messages.inform(
            QStringLiteral("Warning - ALL old versions of Pro Eng Files will be delete when purging!"),
            MessageBoxes::Icon::Critical);
}

bool Purge::eventFilter(QObject *watched, QEvent *event)
{
    // A double click below the last entry names no file: the handler says so, as it does when
    // nothing is selected. On an entry the list reports the double click itself.
    if (watched == DeleteFiles->viewport() && event->type() == QEvent::MouseButtonDblClick &&
        !DeleteFiles->indexAt(static_cast<QMouseEvent *>(event)->position().toPoint()).isValid()) {
        DeleteFiles->setCurrentIndex({});
        DeleteFiles_DblClick();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void Purge::DeleteFiles_DblClick()
{
    const QString crLf = QStringLiteral("\r\n");
    FileObject file;
    try {
        const QString selected = DeleteFiles->selectedPath();
        if (selected.isEmpty())
            throw PlatformError(QStringLiteral("No entry selected"));
        file = m_engine.services()
                   .createObject(QStringLiteral("Scripting.FileSystemObject"))
                   ->getfile(selected);
    } catch (const PlatformError &) {
        m_messages.inform(QStringLiteral("No file info available in current environment"),
                          MessageBoxes::Icon::Information);
        return;
    }
    QString text = file.Path + crLf;
    // An unreadable size leaves the number out and the unit in bytes.
    text += QStringLiteral("File Size :  ") + (file.size ? formatSize(*file.size) : QStringLiteral(" B")) +
            QLatin1Char('\n');
    text += dateLines(file);
    m_messages.inform(text, MessageBoxes::Icon::Information);
}

void Purge::filList_KeyUp(int KeyCode, Qt::KeyboardModifiers)
{
    const int row = filList->selectedRow();
    const QString selected = filList->text(row);
    if (selected.isEmpty() || KeyCode != Qt::Key_Delete) {
        rereadFileList();
        return;
    }
    // The folder the file list shows, not the folder list's highlight: they can differ, and
    // the file deleted must be the one selected.
    const QString folder = filList->folder();
    const FolderIdentity listedFolder = filList->folderIdentity();
    const FileIdentity listed = filList->identity(row);
    const QString path = withTrailingSeparator(folder) + selected;
    // With the trash chosen in the Options menu, the key moves the file there instead.
    const bool trash = purgeOptions().trash;
    try {
        if (!m_messages.askYesNo((trash ? QStringLiteral("Move ") + path + QStringLiteral(" to trash")
                                        : QStringLiteral("Delete ") + path) + QStringLiteral(" ?"),
                                 MessageBoxes::Icon::Exclamation) ||
            !m_messages.askYesNo((trash ? QStringLiteral("Are you sure you want to move ") + path +
                                              QStringLiteral(" to trash")
                                        : QStringLiteral("Are you sure you want to delete ") + path) +
                                     QStringLiteral("?"),
                                 MessageBoxes::Icon::Exclamation)) {
            m_messages.inform(trash ? QStringLiteral("No file moved to trash! ")
                                    : QStringLiteral("No file deleted! "),
                              MessageBoxes::Icon::None);
            return;
        }
        m_engine.deleteListedFile(folder, listedFolder, selected, listed, trash);
        Command1_Click();
        m_messages.inform(path + (trash ? QStringLiteral(" moved to trash!") : QStringLiteral(" deleted!")),
                          MessageBoxes::Icon::None);
        rereadFileList();
    } catch (const PlatformError &error) {
        m_messages.inform(trash ? QStringLiteral("Could not move file to trash")
                                : QStringLiteral("Could not delete file - check write access"),
                          MessageBoxes::Icon::None, error.message());
        Command1_Click();
    }
}

PurgeView::ListedFiles Purge::listedFiles() const
{
    return {filList->folder(), filList->folderIdentity(), filList->names(), filList->identities()};
}

QString Purge::pattern() const
{
    return txtSearchSpec->text();
}

bool Purge::confirmEachFile() const
{
    return Ask->isChecked();
}

void Purge::showCounters(int files, int versionFiles)
{
    Pro_Eng_files->setText(QStringLiteral("Pro Eng Files = ") + QString::number(versionFiles));
    Label1->setText(QStringLiteral("Files = ") + QString::number(files));
}

void Purge::enablePurgeControls(bool enabled)
{
    if (enabled)
        Purge_Command->show();
    for (QWidget *control : {static_cast<QWidget *>(Purge_Command), static_cast<QWidget *>(Ask),
                             static_cast<QWidget *>(Command1), static_cast<QWidget *>(Command2),
                             static_cast<QWidget *>(Command3), static_cast<QWidget *>(Command4),
                             static_cast<QWidget *>(Command5), static_cast<QWidget *>(Command6),
                             static_cast<QWidget *>(Command7)})
        control->setEnabled(enabled);
    optionsMenu->menuAction()->setEnabled(enabled);
}

void Purge::showPurgeList(const QString &folder, const QStringList &names, const QString &caption)
{
    DeleteFiles->setFiles(folder, names);
    DeleteFiles->setVisible(!names.isEmpty());
    PurgeListLabel->setText(caption);
    PurgeListLabel->setVisible(!names.isEmpty());
}

void Purge::removePurgeListEntry(const QString &name, int likelyRow)
{
    DeleteFiles->removeFile(name, likelyRow);
}

void Purge::removePurgeListEntries(const QStringList &names, int likelyRow)
{
    DeleteFiles->removeFiles(names, likelyRow);
}

void Purge::showProgress(bool visible, int value, int maximum)
{
    ProgressBar1->setRange(0, maximum);
    ProgressBar1->setValue(value);
    ProgressBar1->setVisible(visible);
}

void Purge::showStatusLine(bool visible, const QString &text)
{
    FILE_DELETING_LABEL->setText(text);
    FILE_DELETING_LABEL->setVisible(visible);
}

void Purge::showNormalPointer()
{
    m_busy.setNormal();
}

void Purge::drawNow()
{
    repaint();
}

#pragma once

#include "purgeview.h"

#include <QMainWindow>
#include <QPointer>

class AboutForm;
class BusyPointer;
class DirList;
class DriveList;
class FileList;
class MessageBoxes;
class PatternEdit;
class ProgramStarter;
class ProModule;
class PurgeList;
class QAction;
class QActionGroup;
class QCheckBox;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class Registry;
class SettingsStore;

// The main window: folder browser, filter, counters and the purge controls. Handlers are
// named after their control and event. To the engine it is a PurgeView.
class Purge : public QMainWindow, public PurgeView
{
    Q_OBJECT

public:
    Purge(ProModule &engine, SettingsStore &settings, MessageBoxes &messages, BusyPointer &busy,
          Registry &registry, ProgramStarter &starter, QWidget *parent = nullptr);

    // Start-up: restores the saved drive and folder and runs the census. Called once before
    // the window is first shown.
    void Form_Load();
    // The folder the load opens instead of the saved one, which stays saved until the window
    // closes; empty for the saved one.
    void setStartupFolder(const QString &folder) { m_startupFolder = folder; }
    void RestoreStartupDrive();
    // Shut-down: saves the drive and folder and ends the program.
    void Form_Unload();

    void frmabout_Click();
    void drvList_Change();
    void dirList_Change();
    void dirList_LostFocus();
    void txtSearchSpec_Change();
    void txtSearchSpec_GotFocus();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();
    void Command6_Click();
    void Command7_Click();
    void Purge_Command_Click();
    void Ask_Click();
    void DeleteFiles_DblClick();
    void filList_KeyUp(int KeyCode, Qt::KeyboardModifiers Shift);

    // The About dialog while it is open.
    AboutForm *about() const;

    // The window as the engine sees it.
    ListedFiles listedFiles() const override;
    QString pattern() const override;
    bool confirmEachFile() const override;
    PurgeOptions purgeOptions() const override;
    // Re-reads the file list's folder; a folder that is gone sends the window home.
    void rereadFileList() override;
    void showCounters(int files, int versionFiles) override;
    void enablePurgeControls(bool enabled) override;
    void showPurgeList(const QString &folder, const QStringList &names,
                       const QString &caption) override;
    void removePurgeListEntry(const QString &name, int likelyRow) override;
    void removePurgeListEntries(const QStringList &names, int likelyRow) override;
    void showProgress(bool visible, int value, int maximum) override;
    void showStatusLine(bool visible, const QString &text) override;
    void showNormalPointer() override;
    void drawNow() override;

    // True from the start of loading until the saved folder has been restored (or given up).
    bool StartupFolderPending = false;


protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The controls, each with its name as its object name (tests find them by it).
    QWidget *Picture1;
    QLabel *lblCriteria;
    PatternEdit *txtSearchSpec;
    FileList *filList;
    DirList *dirList;
    DriveList *drvList;
    QLabel *Label1;
    QPushButton *Purge_Command;
    QProgressBar *ProgressBar1;
    QPushButton *Command1;
    QPushButton *Command2;
    QPushButton *Command3;
    QPushButton *Command4;
    QCheckBox *Ask;
    PurgeList *DeleteFiles;
    QLabel *Pro_Eng_files;
    QPushButton *Command5;
    QPushButton *Command6;
    QPushButton *Command7;
    QLabel *PurgeListLabel;
    QLabel *FILE_DELETING_LABEL;
    QAction *frmabout;
    QMenu *optionsMenu;
    QActionGroup *m_keepGroup;
    QAction *m_trashOption;
    QAction *m_renumberOption;
    QList<QAction *> m_typeOptions; // in the order of kVersionTypes

    void createOptionsMenu();
    // The Options menu shows the choices saved in the settings; a value it cannot read is the
    // default.
    void readOptions();
    void saveOptions();
    void typeOption_Triggered();
    // The only type left chosen cannot be taken away: a purge of no type would do nothing.
    void guardLastType();
    void createControls();
    void createBrowser(QWidget *panel);
    void createPurgeControls(QWidget *panel, const QFont &font);
    void createPurgeList(QWidget *panel);
    void connectHandlers();
    void showInitialFolder();
    void typeButtonClick(const QString &pattern);
    void openHighlightedFolder();
    // The file list shows the folder list's folder, read once.
    void followFolderList();
    void fallBackToHomeFolder();
    // The file list could not read its own folder again.
    void fileListFolderFailed();
    void showFileCount();

    ProModule &m_engine;
    SettingsStore &m_settings;
    MessageBoxes &m_messages;
    BusyPointer &m_busy;
    Registry &m_registry;
    ProgramStarter &m_starter;
    QPointer<AboutForm> m_about;
    bool m_fallingBack = false;
    QString m_startupFolder;
};

#pragma once

#include "busypointer.h"
#include "confirmview.h"
#include "fileoperations.h"
#include "confirmdialoghost.h"
#include "fileinformation.h"
#include "messageboxes.h"
#include "programstarter.h"
#include "promodule.h"
#include "purge.h"
#include "purgeview.h"
#include "registry.h"
#include "settingsstore.h"

#include <QHash>
#include <QList>
#include <QTemporaryDir>
#include <functional>
#include <memory>

// Message boxes that answer from a script and remember everything that was shown.
class ScriptedMessageBoxes : public MessageBoxes
{
public:
    struct Shown
    {
        QString text;
        QString title;
        Icon icon;
        Buttons buttons;
        QString details;
    };

    Answer show(const QString &text, const QString &title, Icon icon, Buttons buttons,
                const QString &details = {}) override;

    // Answers for the next Yes/No questions, in order; a question beyond them is answered No.
    QList<Answer> answers;
    // Runs as each box shows, before it is answered: lets a test change the world meanwhile.
    std::function<void(const QString &text)> onShow;
    QList<Shown> shown;
    QStringList texts() const;
};

// The file-information service as in production, unless a test makes it unavailable.
class TestServices : public ServiceFactory
{
public:
    std::unique_ptr<FileSystemObject> createObject(const QString &className) override;
    bool unavailable = false;
};

// The system's file operations, with a chance to act as another program would just before
// each status call that precedes a deletion.
class RacingOperations : public FileOperations
{
public:
    int status(int folderFd, const char *name, FileIdentity &out) override;
    // Called with the entry's name before its status is read.
    std::function<void(const QString &name)> beforeStatus;
    // Entries whose status shows this inode number instead of their own, as a file system that
    // hands a freed number to the next new file would.
    QHash<QString, quint64> reportedInode;
};

// Remembers what would have been started.
class FakeStarter : public ProgramStarter
{
public:
    bool startDetached(const QString &commandLine) override
    {
        started.append(commandLine);
        return succeeds && !commandLine.isEmpty();
    }
    QStringList started;
    bool succeeds = true;
};

// Creates files (empty, or with content) below a folder; returns the full path.
QString makeFile(const QString &folder, const QString &name, const QByteArray &content = {});
QString makeFolder(const QString &parent, const QString &name);
// A file whose name is given as the bytes the file system keeps.
void makeRawFile(const QString &folder, const QByteArray &name);
// Names in a folder, hidden ones included, in plain code-unit order (as QStringList::sort).
QStringList namesIn(const QString &folder);
inline QStringList sorted(QStringList names)
{
    names.sort();
    return names;
}

// The windows as the engine sees them, on a real folder: what the engine last showed is kept
// for the test to read.
class FakeView : public PurgeView, public ConfirmView
{
public:
    // Lists the folder as the file list does: every file, sorted.
    void open(const QString &folder);

    ListedFiles listedFiles() const override { return listed; }
    QString pattern() const override { return patternText; }
    bool confirmEachFile() const override { return confirm; }
    void rereadFileList() override { open(listed.folder); }
    void showCounters(int files, int versionFiles) override { counters = {files, versionFiles}; }
    void enablePurgeControls(bool enabled) override { controlsEnabled = enabled; }
    void showPurgeList(const QStringList &paths, const QString &caption) override;
    void removePurgeListEntry(const QString &path, int) override { purgeList.removeOne(path); }
    void showProgress(bool visible, int, int) override { progressVisible = visible; }
    void showStatusLine(bool visible, const QString &) override { statusVisible = visible; }
    void showNormalPointer() override {}
    void drawNow() override {}
    void showDialog() override { dialogVisible = true; }
    void hideDialog() override { dialogVisible = false; }
    void setLatestFileInfo(const QString &text) override { latestInfo = text; }
    void setDeleteFileInfo(const QString &text) override { deleteInfo = text; }

    ListedFiles listed;
    QString patternText = QStringLiteral("*.*");
    bool confirm = false;
    QList<int> counters; // files, version files
    bool controlsEnabled = true;
    QStringList purgeList;
    QString purgeListCaption;
    bool progressVisible = false;
    bool statusVisible = false;
    bool dialogVisible = false;
    QString latestInfo;
    QString deleteInfo;
};

// The engine on a temporary folder of the given files, counted, with scripted messages.
struct EngineFixture
{
    explicit EngineFixture(const QStringList &files, bool confirm = false);
    // The purge command with these answers to its questions; gives every text shown.
    QStringList purge(const QList<MessageBoxes::Answer> &answers = {MessageBoxes::Answer::Yes,
                                                                    MessageBoxes::Answer::Yes});
    // Back to idle: nothing of the run left on screen, every control usable.
    void expectIdle() const;

    QTemporaryDir dir;
    QString folder;
    ScriptedMessageBoxes messages;
    TestServices services;
    RacingOperations operations;
    FakeView view;
    ProModule engine{messages, services};
};

// A main window with everything around it in a temporary place: the home folder, the settings
// file and scripted message boxes. Nothing outside the temporary folder is read or written.
class WindowHarness
{
public:
    WindowHarness();
    ~WindowHarness();

    // Builds the window (not loaded yet) on made-up drives: "/" and the given extra roots.
    Purge &create(const QStringList &extraDriveRoots = {});
    Purge &load(const QStringList &extraDriveRoots = {});

    QString path(const QString &relative) const { return m_dir.filePath(relative); }
    QString home() const { return path(QStringLiteral("home")); }
    SettingsStore &settings() { return *m_settings; }
    QString settingsFile() const { return path(QStringLiteral("settings/Pro.ini")); }

    ScriptedMessageBoxes messages;
    BusyPointer busy;
    TestServices services;
    InProcessRegistry registry;
    FakeStarter starter;
    RacingOperations operations;
    std::unique_ptr<ProModule> engine;
    std::unique_ptr<ConfirmDialogHost> confirm;
    std::unique_ptr<Purge> window;

private:
    QTemporaryDir m_dir;
    QByteArray m_oldHome;
    std::unique_ptr<SettingsStore> m_settings;
};

// A window loaded on a folder of the given files, "Confirm before delete ?" as asked.
struct PurgeFixture
{
    explicit PurgeFixture(const QStringList &files, bool ask = false,
                          const QString &folderName = QStringLiteral("work"));
    // Presses the purge button with these answers to the questions; gives every text shown.
    QStringList purge(const QList<MessageBoxes::Answer> &answers = {MessageBoxes::Answer::Yes,
                                                                    MessageBoxes::Answer::Yes});
    // Back to idle: nothing of the run left on screen, every control usable.
    void expectIdle(bool scanned = true) const;

    WindowHarness h;
    QString folder;
    Purge *w = nullptr;
};


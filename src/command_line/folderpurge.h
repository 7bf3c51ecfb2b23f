#pragma once

#include "confirmview.h"
#include "folderreader.h"
#include "messageboxes.h"
#include "platformerror.h"
#include "purgeoptions.h"
#include "purgeview.h"

#include <QByteArray>
#include <QList>

#include <atomic>
#include <functional>
#include <optional>

class ProModule;
class WildcardPattern;

// What the command line is asked to do with each folder.
struct ConsoleOptions
{
    QString pattern = QStringLiteral("*.*"); // the file list's filter
    bool dryRun = false;  // print the old versions instead of deleting them
    bool verbose = false; // print each file deleted
    // The paths of a dry run and of -v end with NUL instead of a newline and are the bytes as
    // they are, for xargs -0; the reports go to standard error then.
    bool nullTerminated = false;
    bool json = false;  // one JSON document on standard output, and nothing else there
    bool quiet = false; // nothing but errors (and the paths of a dry run)
    QStringList exclude; // names of folders a recursive walk leaves out (* and ?)
    int jobs = 1;        // folders purged at once
    PurgeOptions purge;
};

// The purge of one folder without a window, as the window purges it without confirmation.
// What it has to say is kept, in order, until the console prints it with the other folders'
// in the order of the walk; so folders can be purged side by side on threads of their own.
// To the engine it is the main window, the confirmation dialog (never shown) and the message
// boxes; the two questions before a purge count as answered Yes.
class FolderPurge : public PurgeView, public ConfirmView, public MessageBoxes
{
public:
    // Output for standard output or standard error, in the order it was said.
    struct Chunk
    {
        bool toStandardError;
        QByteArray bytes;
    };

    // A folder to purge, with what the walk read of it (`listing` null: read here by its path)
    // and its descriptor (-1 for none; closed at the end when `owned`).
    FolderPurge(const ConsoleOptions &options, const WildcardPattern &filter, const QString &path,
                const FolderIdentity &identity, std::optional<FolderListing> listing, int descriptor,
                bool owned);
    // A folder the walk could not read or enter: only its message.
    FolderPurge(const ConsoleOptions &options, const QByteArray &rawPath, const QString &error, bool note);
    ~FolderPurge() override;

    void run();

    const QList<Chunk> &output() const { return m_output; }
    const QByteArray &json() const { return m_json; } // its member of the "folders" array
    bool succeeded() const { return m_succeeded; }
    qint64 files() const { return m_files; }
    qint64 bytes() const { return m_bytes; }
    qint64 renamed() const { return m_renamed; }
    std::atomic<bool> done{false};
    // While the purge runs where it can be shown, told of each file deleted.
    std::function<void(qint64 files)> progress;

    ListedFiles listedFiles() const override { return m_listed; }
    QString pattern() const override { return m_options.pattern; }
    bool confirmEachFile() const override { return false; }
    PurgeOptions purgeOptions() const override { return m_options.purge; }
    // Nothing is shown of the folder after the run: what was listed is let go, so that the
    // engine's count after it has nothing stale to go through.
    void rereadFileList() override
    {
        m_listed.names = {};
        m_listed.identities = {};
    }
    void showCounters(int, int) override {}
    void enablePurgeControls(bool) override {}
    void showPurgeList(const QString &, const QStringList &, const QString &) override {}
    void removePurgeListEntry(const QString &, int) override {}
    void showProgress(bool, int, int) override {}
    void showStatusLine(bool, const QString &) override {}
    void showNormalPointer() override {}
    void drawNow() override;
    void fileDeleted(const QString &name) override;
    void fileRenamed(const QString &from, const QString &to) override;

    void showDialog() override {}
    void hideDialog() override {}
    void setLatestFileInfo(const QString &) override {}
    void setDeleteFileInfo(const QString &) override {}

    // Information goes to standard output with the folder in front; the abort path, with its
    // reason, to standard error.
    Answer show(const QString &text, const QString &title, Icon icon, Buttons buttons,
                const QString &details = {}) override;

private:
    void purge();
    void say(bool toStandardError, const QByteArray &bytes);
    void printPath(const QString &path);
    void printLine(bool toStandardError, const QByteArray &path, const QString &text);
    void printError(const QString &text);
    void printError(const PlatformError &error, const QString &before = {});
    void printError(const QByteArray &path, const QString &reason);
    void jsonFolder(const ProModule &engine);
    void jsonFolderError(const QByteArray &path, const QString &key, const QString &reason);

    const ConsoleOptions &m_options;
    const WildcardPattern *m_filter = nullptr;
    QString m_path;
    QByteArray m_rawPath;
    FolderIdentity m_identity;
    std::optional<FolderListing> m_listing;
    int m_descriptor = -1;
    bool m_ownsDescriptor = false;
    QString m_walkError;
    bool m_note = false;

    ListedFiles m_listed;
    const ProModule *m_engine = nullptr;
    QList<Chunk> m_output;
    QByteArray m_json;
    bool m_succeeded = true;
    qint64 m_files = 0, m_bytes = 0, m_renamed = 0;
};

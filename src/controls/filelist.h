#pragma once

#include "filenameorder.h"
#include "folderreader.h"

#include <QListView>

#include <optional>

class QStringListModel;

// The file list: names of the regular files of one folder that match a pattern, sorted by
// name without regard to case (ties in exact order). It lists the folder itself (see
// readFolder), so it never shows a name that could stand for a different file.
class FileList : public QListView
{
    Q_OBJECT

public:
    explicit FileList(QWidget *parent = nullptr);

    QString folder() const { return m_folder; }
    QString pattern() const { return m_pattern; }

    // Each re-reads the folder at once and throws PlatformError when the folder cannot be
    // read or the pattern is not acceptable; the list is then left as it was, but for an
    // acceptable pattern, which is kept for the next folder.
    void setFolder(const QString &folder);
    // The same with the folder as the caller has just listed it.
    void setFolder(const QString &folder, std::optional<FolderListing> listing);
    void setPattern(const QString &pattern);
    void refresh();

    // Empties the list without reading anything (used when no folder can be read).
    void clear();

    int count() const { return int(m_names.size()); }
    QString text(int index) const { return m_names.value(index); }
    const QStringList &names() const { return m_names; }
    // Entry `index` as it was when the folder was read, and the folder's own identity.
    FileIdentity identity(int index) const { return m_identities.value(index); }
    const QList<FileIdentity> &identities() const { return m_identities; }
    FolderIdentity folderIdentity() const { return m_identity; }
    // The selected entry, -1 when nothing is selected.
    int selectedRow() const;

signals:
    void keyReleased(int key, Qt::KeyboardModifiers modifiers);

protected:
    void keyReleaseEvent(QKeyEvent *event) override;

private:
    void load(const QString &folder, const QString &pattern,
              std::optional<FolderListing> listing = std::nullopt);

    QStringListModel *m_model;
    QString m_folder;
    QString m_pattern = QStringLiteral("*.*");
    QStringList m_names;
    QList<FileIdentity> m_identities;
    FolderIdentity m_identity;
};

#pragma once

#include "folderreader.h"

#include <QTreeWidget>

#include <optional>

// The folder list: the current folder with its parents above it and its subfolders below.
// The highlighted entry (moved by a single click or the arrow keys) is separate from the
// current folder; opening an entry (double click, Enter) or setPath makes a folder current.
class DirList : public QTreeWidget
{
    Q_OBJECT

public:
    explicit DirList(QWidget *parent = nullptr);

    QString path() const { return m_path; }
    // Reads the folder and makes it current, raising pathChanged when it differs from the
    // current one. Throws PlatformError when it cannot be read; nothing changes then.
    void setPath(const QString &path);

    QString highlightedPath() const;

    // The current folder as the last setPath read it, once: the file list that follows this
    // folder list need not read the same folder again.
    std::optional<FolderListing> takeListing();

signals:
    void pathChanged();
    // The user opened the highlighted entry.
    void entryOpened();
    // The keyboard focus moved to another control of the window.
    void lostFocus();

protected:
    void focusOutEvent(QFocusEvent *event) override;
    // Every level is always open: no expand arrows.
    void drawBranches(QPainter *, const QRect &, const QModelIndex &) const override {}

private:
    void rebuild(const QString &path, const QStringList &subfolders);

    QString m_path;
    std::optional<FolderListing> m_listing;
};

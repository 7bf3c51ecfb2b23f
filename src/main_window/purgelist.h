#pragma once

#include <QListView>

class PurgeListModel;

// The purge list box: the full paths of the files a confirmed run asks about. It keeps the
// folder once and a name an entry, and builds a path only when a row is drawn, read out or
// asked for. Every row has the height of the first and the width of the list, so drawing the
// list costs the same for ten entries as for a whole folder, and a path too long for the list
// gives up its start, keeping the file name in view.
class PurgeList : public QListView
{
    Q_OBJECT

public:
    explicit PurgeList(QWidget *parent = nullptr);

    // `folder` ends with a separator; the entries are shown in the order of `names`.
    void setFiles(const QString &folder, const QStringList &names);
    void clear();
    // Takes off the first entry named `name`; `likelyRow` is looked at first.
    void removeFile(const QString &name, int likelyRow);
    // Takes off entries named `names`, looked for first from `likelyRow` on, in that order.
    void removeFiles(const QStringList &names, int likelyRow);

    int count() const;
    QString path(int row) const;
    void setCurrentRow(int row);
    // The selected entry's full path, empty when none is selected.
    QString selectedPath() const;

private:
    PurgeListModel *m_model;
};

#pragma once

#include "purgeview.h"

#include <QStringList>

class BusyPointer;
class MessageBoxes;

// The purge engine: the state shared by the windows for the whole run of the program, and the
// procedures that work on it. One object lives as long as the program.
class ProModule
{
public:
    ProModule(MessageBoxes &messages, BusyPointer &busy);
    ProModule(const ProModule &) = delete;
    ProModule &operator=(const ProModule &) = delete;

    void setMainView(const PurgeView &view) { m_view = view; }
    const PurgeView &mainView() const { return m_view; }

    // The census: which names of the file list are Pro Engineer version files, in list
    // order, and the two counters of the main window.
    void CountProEngFiles();

    // Census list: bare names, in file-list order.
    QStringList ProEngFiles;
    int ProEngFileCount = 0;

    // Answers of the confirmation dialog.
    bool AnswerYes = false;
    bool AnswerYesToAll = false;
    bool AnswerNo = false;
    bool AnswerCancel = false;

private:
    MessageBoxes &m_messages;
    BusyPointer &m_busy;
    PurgeView m_view;
};

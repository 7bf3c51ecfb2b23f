#pragma once

#include <array>
#include <functional>

class FileList;
class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;

// The controls of the main window that the engine reads and writes. The window fills this
// in; the engine never needs the window class itself.
struct PurgeView
{
    FileList *filList = nullptr;
    QLineEdit *txtSearchSpec = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Pro_Eng_files = nullptr;
    QCheckBox *Ask = nullptr;
    QPushButton *Purge_Command = nullptr;
    // Command1 (Refresh) to Command7 (the type buttons), at index 0 to 6.
    std::array<QPushButton *, 7> Command{};
    QListWidget *DeleteFiles = nullptr;
    QLabel *PurgeListLabel = nullptr;
    QProgressBar *ProgressBar1 = nullptr;
    QLabel *FILE_DELETING_LABEL = nullptr;
    // Makes the file list re-read its folder; when the folder is gone the window moves on to
    // one that can be read, so this never fails.
    std::function<void()> rereadFileList;
};

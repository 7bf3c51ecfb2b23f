#pragma once

#include <QString>

// The confirmation dialog as the engine sees it. The dialog is created when it is first shown
// or filled, and may be destroyed by the user at any time.
class ConfirmView
{
public:
    virtual ~ConfirmView() = default;
    virtual void showDialog() = 0;
    virtual void hideDialog() = 0;
    virtual void setLatestFileInfo(const QString &text) = 0;
    virtual void setDeleteFileInfo(const QString &text) = 0;
};

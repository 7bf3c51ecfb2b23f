#pragma once

#include "confirmview.h"
#include "delete_confirm.h"

#include <QPointer>

class ProModule;

// Keeps the confirmation dialog for the engine: creates it when it is first needed and again
// after the user has closed (and so destroyed) it.
class ConfirmDialogHost : public ConfirmView
{
public:
    // The dialog first shows beside `anchor` (the main window), where it can.
    explicit ConfirmDialogHost(ProModule &engine, QWidget *anchor = nullptr);
    ~ConfirmDialogHost() override;

    void showDialog() override;
    void hideDialog() override;
    void setLatestFileInfo(const QString &text) override;
    void setDeleteFileInfo(const QString &text) override;

    // The dialog if it exists now.
    Delete_Confirm *dialog() const { return m_dialog; }

private:
    Delete_Confirm &ensureDialog();
    void placeBeside(QWidget &dialog) const;

    ProModule &m_engine;
    QPointer<QWidget> m_anchor;
    QPointer<Delete_Confirm> m_dialog;
};

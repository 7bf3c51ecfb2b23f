#include "confirmdialoghost.h"

#include "delete_confirm.h"

#include <QScreen>

#include <algorithm>
#include <QLabel>

namespace {

// The engine's texts break lines with CR LF; a label wants a bare line feed.
QString forLabel(QString text)
{
    return text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
}

// The labels' accessible names say what they are, so a screen reader gets their text as the
// description.
void showInfo(QLabel *label, const QString &text)
{
    label->setText(forLabel(text));
    label->setAccessibleDescription(label->text());
}

} // namespace

void ConfirmDialogHost::placeBeside(QWidget &dialog) const
{
    // Below the main window when the screen has room, so the purge list stays in view;
    // otherwise over its lower part.
    if (!m_anchor || !m_anchor->isVisible() || !m_anchor->screen())
        return;
    const QRect anchor = m_anchor->frameGeometry();
    const QRect screen = m_anchor->screen()->availableGeometry();
    QPoint at(anchor.left(), anchor.bottom() + 1);
    if (at.y() + dialog.height() > screen.bottom())
        at.setY(std::max(screen.top(), anchor.bottom() - dialog.height()));
    at.setX(std::clamp(at.x(), screen.left(), std::max(screen.left(), screen.right() - dialog.width())));
    dialog.move(at);
}

ConfirmDialogHost::ConfirmDialogHost(ProModule &engine, QWidget *anchor)
    : m_engine(engine), m_anchor(anchor)
{
}

ConfirmDialogHost::~ConfirmDialogHost()
{
    // The program is ending: the dialog goes without its closing steps.
    delete m_dialog.data();
}

Delete_Confirm &ConfirmDialogHost::ensureDialog()
{
    if (!m_dialog) {
        m_dialog = new Delete_Confirm(m_engine);
        placeBeside(*m_dialog);
    }
    return *m_dialog;
}

void ConfirmDialogHost::showDialog()
{
    Delete_Confirm &dialog = ensureDialog();
    const bool first = !dialog.isVisible();
    dialog.show();
    if (first) {
        dialog.raise();
        dialog.activateWindow();
    }
}

void ConfirmDialogHost::hideDialog()
{
    if (m_dialog)
        m_dialog->hide();
}

void ConfirmDialogHost::setLatestFileInfo(const QString &text)
{
    showInfo(ensureDialog().Latest_File_info, text);
}

void ConfirmDialogHost::setDeleteFileInfo(const QString &text)
{
    showInfo(ensureDialog().Delete_File_info, text);
}

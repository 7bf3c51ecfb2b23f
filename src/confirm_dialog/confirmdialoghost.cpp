#include "confirmdialoghost.h"

#include "delete_confirm.h"

#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTextDocument>

#include <algorithm>

namespace {

// The engine's texts break lines with CR LF; a label wants a bare line feed.
QString forLabel(QString text)
{
    return text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
}

bool isSeparator(QChar c)
{
    return c == QLatin1Char('/') || c == QLatin1Char('\\');
}

// One line no wider than `width`. A path too long gives up the middle of its folder and keeps
// the text in front of it and the file name whole; only a name that cannot fit on its own is
// cut as well.
QString fitLine(const QString &line, const QFontMetrics &metrics, int width)
{
    // The label sizes itself by the drawn extent of the text, which can pass the advance by
    // the last glyph's overhang: both must fit.
    const auto fits = [&](const QString &text) {
        return metrics.horizontalAdvance(text) <= width
               && metrics.boundingRect(QRect(), Qt::TextSingleLine, text).width() <= width;
    };
    if (fits(line))
        return line;
    const auto first = std::find_if(line.cbegin(), line.cend(), isSeparator) - line.cbegin();
    const auto last = std::find_if(line.crbegin(), line.crend(), isSeparator).base() - line.cbegin() - 1;
    if (first < last) {
        const QString head = line.left(first);
        const QString folder = line.mid(first, last - first);
        const QString tail = line.mid(last);
        // Kerning between the parts can add a pixel or two: shrink the folder until it fits.
        int room = width - metrics.horizontalAdvance(head) - metrics.horizontalAdvance(tail);
        for (; room > metrics.horizontalAdvance(QChar(0x2026)); room -= 2) {
            const QString fitted = head + metrics.elidedText(folder, Qt::ElideMiddle, room) + tail;
            if (fits(fitted))
                return fitted;
        }
    }
    return metrics.elidedText(line, Qt::ElideMiddle, width);
}

// The label shows every line fitted to its width; the tool tip and a screen reader get the
// whole text, as the description of the label, which is named after its box.
void showInfo(QLabel *label, const QString &text)
{
    const QString full = forLabel(text);
    QStringList lines = full.split(QLatin1Char('\n'));
    const int width = label->contentsRect().width();
    for (QString &line : lines)
        line = fitLine(line, label->fontMetrics(), width);
    label->setText(lines.join(QLatin1Char('\n')));
    label->setToolTip(Qt::convertFromPlainText(full));
    label->setAccessibleDescription(full);
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
        // A run starts. The dialog kept the focus where the last run's answer left it, which
        // may be "Yes to All": Enter must never delete before the user has looked.
        dialog.Delete_Cancel->setFocus();
        // Drawn with its focus frame, as after a Tab, so the user sees what Enter would press.
        dialog.setAttribute(Qt::WA_KeyboardFocusChange);
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

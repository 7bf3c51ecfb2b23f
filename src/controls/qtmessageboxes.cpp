#include "qtmessageboxes.h"

#include <QApplication>
#include <QMessageBox>
#include <QTextEdit>

MessageBoxes::Answer QtMessageBoxes::show(const QString &text, const QString &title, Icon icon,
                                          Buttons buttons, const QString &details)
{
    QMessageBox::Icon boxIcon = QMessageBox::NoIcon;
    switch (icon) {
    case Icon::None:
        break;
    case Icon::Information:
        boxIcon = QMessageBox::Information;
        break;
    case Icon::Exclamation:
        boxIcon = QMessageBox::Warning;
        break;
    case Icon::Critical:
        boxIcon = QMessageBox::Critical;
        break;
    }
    const auto standardButtons =
        buttons == Buttons::YesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok;
    // Our texts break lines with CR LF; the toolkit wants a bare line feed.
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    QMessageBox box(boxIcon, title, shown, standardButtons, QApplication::activeWindow());
    box.setWindowModality(Qt::ApplicationModal);
    box.setDetailedText(details);
    // The details' text box has no name of its own for a screen reader to give.
    if (auto *detailsText = box.findChild<QTextEdit *>())
        detailsText->setAccessibleName(QStringLiteral("Details"));
    if (buttons == Buttons::YesNo)
        box.setDefaultButton(QMessageBox::Yes);
    // The busy pointer must not hide the fact that the program is waiting for an answer.
    const bool overridden = QApplication::overrideCursor() != nullptr;
    if (overridden)
        QApplication::setOverrideCursor(QCursor(Qt::ArrowCursor));
    const int result = box.exec();
    if (overridden)
        QApplication::restoreOverrideCursor();
    if (buttons == Buttons::Ok)
        return Answer::Ok;
    return result == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

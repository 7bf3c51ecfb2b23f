#include "patternedit.h"

#include <QFocusEvent>

PatternEdit::PatternEdit(QWidget *parent) : QLineEdit(parent) {}

void PatternEdit::focusInEvent(QFocusEvent *event)
{
    QLineEdit::focusInEvent(event);
    m_focusedByClick = event->reason() == Qt::MouseFocusReason;
    emit gotFocus();
}

void PatternEdit::mousePressEvent(QMouseEvent *event)
{
    QLineEdit::mousePressEvent(event);
    // The click that brought the focus would otherwise replace the selection by a cursor.
    if (m_focusedByClick) {
        m_focusedByClick = false;
        emit gotFocus();
    }
}

#include "busypointer.h"

#include <QCursor>
#include <QGuiApplication>

BusyPointer::~BusyPointer()
{
    setNormal();
}

void BusyPointer::setBusy()
{
    if (m_busy)
        return;
    m_busy = true;
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

void BusyPointer::setNormal()
{
    if (!m_busy)
        return;
    m_busy = false;
    QGuiApplication::restoreOverrideCursor();
}

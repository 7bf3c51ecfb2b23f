#include "memoryrelease.h"

#include "folderreader.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTimer>

namespace {

QTimer *releaseTimer()
{
    static QPointer<QTimer> timer;
    if (!timer && QCoreApplication::instance()) {
        timer = new QTimer(QCoreApplication::instance());
        timer->setSingleShot(true);
        timer->setInterval(1000);
        QObject::connect(timer, &QTimer::timeout, [] { releaseFreedMemory(); });
    }
    return timer;
}

} // namespace

void releaseMemoryWhenIdle()
{
    if (QTimer *timer = releaseTimer())
        timer->start();
}

void holdMemoryRelease()
{
    QTimer *timer = releaseTimer();
    if (timer && timer->isActive()) {
        timer->stop();
        releaseFreedMemory();
    }
}

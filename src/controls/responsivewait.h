#pragma once

#include "busypointer.h"
#include "memoryrelease.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QThread>

#include <exception>
#include <memory>
#include <optional>
#include <type_traits>
#include <utility>

// Runs `work` (reading a folder, sorting its names) on a worker thread and returns what it
// gives, or throws what it throws. What takes longer than a glance puts up the busy pointer,
// and the window goes on painting and answering the window manager meanwhile; the user's
// clicks and keys wait until the work is done, so nothing else starts in between.
template <class Work>
std::invoke_result_t<Work &> runWhileResponsive(Work &&work, int glanceMs = 50)
{
    using Result = std::invoke_result_t<Work &>;
    QCoreApplication *app = QCoreApplication::instance();
    if (!qobject_cast<QGuiApplication *>(app) || QThread::currentThread() != app->thread())
        return work();
    holdMemoryRelease();
    std::optional<Result> result;
    std::exception_ptr failure;
    const std::unique_ptr<QThread> worker(QThread::create([&] {
        try {
            result.emplace(work());
        } catch (...) {
            failure = std::current_exception();
        }
    }));
    QEventLoop loop;
    QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
    worker->start();
    if (!worker->wait(QDeadlineTimer(glanceMs))) {
        BusyPointer busy;
        busy.setBusy();
        // The end of the work is queued to this loop, so it cannot be missed; a loop left for
        // the program's end still waits for the worker.
        loop.exec(QEventLoop::ExcludeUserInputEvents);
        worker->wait();
    }
    if (failure)
        std::rethrow_exception(failure);
    return std::move(*result);
}

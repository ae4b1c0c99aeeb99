#pragma once

#include <QEventLoop>
#include <QObject>
#include <QThread>

#include <memory>
#include <utility>

// Runs work on a helper thread and waits for it in a local event loop, so
// the window keeps painting and its timers keep ticking while a large image
// is decoded. User input waits until the work is done, which keeps the
// caller's steps in their order: nothing else on the page can run meanwhile.
// The work must not touch widgets or pixmaps.
template <typename Work> auto RunOffGuiThread(Work work) -> decltype(work())
{
    decltype(work()) result {};
    QEventLoop loop;
    std::unique_ptr<QThread> thread(QThread::create([&result, &work] { result = work(); }));
    QObject::connect(thread.get(), &QThread::finished, &loop, &QEventLoop::quit);
    thread->start();
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    // The loop may also have been ended by the application quitting.
    thread->wait();
    return result;
}

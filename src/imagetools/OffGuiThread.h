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

// The same with a quicker first look: `early` runs on a second helper thread
// beside the work, and its result is handed to `show` on the GUI thread if
// it comes before the work's. User input still waits for the work.
template <typename Work, typename Early, typename Show>
auto RunOffGuiThread(Work work, Early early, Show show) -> decltype(work())
{
    decltype(work()) result {};
    decltype(early()) earlyResult {};
    bool done = false;
    QEventLoop loop;
    std::unique_ptr<QThread> thread(QThread::create([&result, &work] { result = work(); }));
    std::unique_ptr<QThread> earlyThread(QThread::create([&earlyResult, &early] { earlyResult = early(); }));
    // Queued to the loop's thread, and dropped with the loop.
    QObject::connect(thread.get(), &QThread::finished, &loop, [&done, &loop] {
        done = true;
        loop.quit();
    });
    QObject::connect(earlyThread.get(), &QThread::finished, &loop, [&done, &earlyResult, &show] {
        if (!done)
            show(earlyResult);
    });
    earlyThread->start();
    thread->start();
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    thread->wait();
    earlyThread->wait();
    return result;
}

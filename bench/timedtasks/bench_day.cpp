// A simulated day: the one-second tick run 86,400 times with the clock one
// second further each time and all three tasks armed, so that every task
// also fires the way it would on a real day. Reports the CPU time per tick and
// how much the memory grew from the first tick to the last.
//
//   bench_day [--ticks N] [--shown]
//
// By default the window spends the day hidden, as it does in the tray;
// --shown keeps it on the shutdown page instead, so every tick also repaints
// a countdown. Uses the real settings store (in a temporary folder), the fake
// clock, the recording balloons and the recording power-off of the test kit,
// so nothing can fire for real.

#include "TickBench.h"
#include "app/SystemTray.h"
#include "kit/FakeClock.h"
#include "kit/FakePowerOff.h"
#include "kit/TestKit.h"
#include "timedtasks/Countdown.h"

#include <QApplication>
#include <QFile>

#include <cstdio>

#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 33))
#include <malloc.h>
#define VARNO_HAVE_MALLINFO2 1
#endif

namespace {

// Kilobytes, or -1 where the system does not say.
long ResidentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> lines = status.readAll().split('\n');
    for (const QByteArray &line : lines) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

// Bytes the program holds from the allocator: unlike the resident size it
// does not depend on which pages the allocator happens to give back.
long long HeapInUseBytes()
{
#ifdef VARNO_HAVE_MALLINFO2
    const struct mallinfo2 info = mallinfo2();
    return static_cast<long long>(info.uordblks + info.hblkhd);
#else
    return -1;
#endif
}

bool ShowsCountdowns(Ui::MainWindow *form)
{
    return form->statusLabel->text() != Countdown::ShutdownNotSetText()
        && form->ReminderInformation_EndWorkReminder_QLabel->text() != Countdown::EndOfWorkNotSetText()
        && form->ReminderInformation_RestReminder_QLabel->text() != Countdown::RestNotSetText();
}

} // namespace

int main(int argc, char *argv[])
{
    TestKit::PrepareEnvironment();
    QApplication application(argc, argv);

    const int ticks = IntArgument(QStringLiteral("--ticks"), 24 * 60 * 60, 2);
    const bool shown = QCoreApplication::arguments().contains(QStringLiteral("--shown"));

    TestKit::IsolatedSettings settings;
    // Mid-January, away from any daylight-saving change, so the day has
    // 86,400 seconds in every time zone.
    TestKit::FakeClock clock(QDateTime(QDate(2024, 1, 15), QTime(0, 0)));
    FakePowerOff::Reset(false);
    SystemTray::SetAvailabilityOverride(true);
    // The shutdown fires every evening at 22:00 into the recording power-off,
    // which refuses, so the day goes on as after a failed power-off; the
    // end-of-work reminder fires every day at 17:30; the rest reminder every
    // hour.
    ArmAllThreeTasks({"2024/1/15", "22:00", "17:30", true, "0_1_2_3_4"});

    MainWindow window;
    // The day is driven here, one tick per simulated second.
    RecordingNotifier *balloons = ShowOnShutdownPage(window);
    if (!shown) {
        window.hide();
        QCoreApplication::processEvents();
    }

    // The first tick fills the labels and whatever caches they need; growth
    // is counted from there.
    clock.Advance(1000);
    const QDateTime firstMoment = clock.Now();
    MainWindowProbe::Tick(window);
    QCoreApplication::processEvents();
    if (!ShowsCountdowns(MainWindowProbe::Form(window))) {
        std::fprintf(stderr, "a task is not armed: a label says it is not set\n");
        return 1;
    }
    const long startRss = ResidentKb();
    const long long startHeap = HeapInUseBytes();
    long peakRss = startRss;

    double tickSeconds = 0;
    double eventSeconds = 0;
    double slowestTick = 0;
    for (int i = 1; i < ticks; ++i) {
        clock.Advance(1000);
        const double start = CpuSeconds();
        MainWindowProbe::Tick(window);
        const double ticked = CpuSeconds();
        // What the tick posted (repaints, deferred deletions) is handled each
        // second, as the event loop of the running program would.
        QCoreApplication::processEvents();
        const double handled = CpuSeconds();
        tickSeconds += ticked - start;
        eventSeconds += handled - ticked;
        slowestTick = qMax(slowestTick, handled - start);
        if (i % 3600 == 0)
            peakRss = qMax(peakRss, ResidentKb());
    }
    const long endRss = ResidentKb();
    const long long endHeap = HeapInUseBytes();
    peakRss = qMax(peakRss, endRss);

    int restBalloons = 0;
    int endOfWorkBalloons = 0;
    int shutdownWarnings = 0;
    for (const RecordedBalloon &balloon : balloons->Shown) {
        if (balloon.message.startsWith(QStringLiteral("休息")))
            ++restBalloons;
        else if (balloon.message.startsWith(QStringLiteral("电脑将在")))
            ++shutdownWarnings;
        else
            ++endOfWorkBalloons;
    }

    const int counted = ticks - 1;
    std::printf("ticks: %d (%s), from %s to %s\n", ticks, shown ? "window shown" : "window hidden",
                qPrintable(firstMoment.toString(Qt::ISODate)), qPrintable(clock.Now().toString(Qt::ISODate)));
    std::printf(
        "fired: %d rest balloons, %d end-of-work balloons, %d shutdown warnings, %d power-off requests\n",
        restBalloons, endOfWorkBalloons, shutdownWarnings, FakePowerOff::CallCount());
    std::printf("cpu per tick: %.1f us (tick %.1f us + events %.1f us), slowest %.1f us\n",
                1e6 * (tickSeconds + eventSeconds) / counted, 1e6 * tickSeconds / counted,
                1e6 * eventSeconds / counted, 1e6 * slowestTick);
    std::printf("rss: %ld kB after the first tick, %ld kB after the last, peak %ld kB, growth %ld kB\n",
                startRss, endRss, peakRss, endRss - startRss);
    if (startHeap >= 0)
        std::printf("heap in use: growth %lld bytes\n", endHeap - startHeap);
    return 0;
}

// CPU time of one run of the one-second tick with all three tasks armed and
// nothing due: what the program costs every second it runs.
//
//   bench_tick [--iterations N]
//
// Uses the real settings store (in a temporary folder), the fake clock, and
// the recording power-off of the test kit, so nothing can fire for real.

#include "TickBench.h"
#include "app/SystemTray.h"
#include "kit/FakeClock.h"
#include "kit/FakePowerOff.h"
#include "kit/TestKit.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    TestKit::PrepareEnvironment();
    QApplication application(argc, argv);

    const int iterations = IntArgument(QStringLiteral("--iterations"), 2000, 1);

    TestKit::IsolatedSettings settings;
    TestKit::FakeClock clock(QDateTime(QDate(2024, 1, 15), QTime(9, 40)));
    FakePowerOff::Reset(false);
    SystemTray::SetAvailabilityOverride(true);
    // Nothing comes due: the shutdown and end of work in 2030, the rest
    // reminder every four hours.
    ArmAllThreeTasks({"2030/1/1", "8:00", "17:30", false, "3_1_2_3_4"});

    MainWindow window;
    // The shutdown page is on screen, so one countdown label repaints.
    RecordingNotifier *balloons = ShowOnShutdownPage(window);

    // Each tick sees the next second, as in the running program, so the
    // labels change every time; the repaint they cause is measured apart.
    double tickSeconds = 0;
    double repaintSeconds = 0;
    for (int i = 0; i < iterations; ++i) {
        clock.Advance(1000);
        const double start = CpuSeconds();
        MainWindowProbe::Tick(window);
        const double ticked = CpuSeconds();
        QCoreApplication::processEvents();
        tickSeconds += ticked - start;
        repaintSeconds += CpuSeconds() - ticked;
    }

    if (FakePowerOff::CallCount() != 0 || !balloons->Shown.isEmpty()) {
        std::fprintf(stderr, "a task fired during the benchmark\n");
        return 1;
    }
    std::printf("one tick, all three tasks armed: %.1f us CPU (mean of %d ticks)\n",
                1e6 * tickSeconds / iterations, iterations);
    std::printf("layout and repaint it causes (shutdown page shown): %.1f us CPU\n",
                1e6 * repaintSeconds / iterations);
    return 0;
}

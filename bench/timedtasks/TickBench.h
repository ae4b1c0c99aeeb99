#pragma once

// What both benchmarks of the one-second tick share: the CPU clock, their
// numeric option, a store with all three tasks armed, and a window whose
// ticks they drive themselves.

#include "kit/MainWindowProbe.h"
#include "persistence/SettingsStore.h"

#include <QCoreApplication>
#include <QSettings>
#include <QStringList>

#include <ctime>

inline double CpuSeconds()
{
    timespec now {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// The number after `name` on the command line, at least `minimum`; `fallback`
// when the option is not given.
inline int IntArgument(const QString &name, int fallback, int minimum)
{
    const QStringList arguments = QCoreApplication::arguments();
    const int at = arguments.indexOf(name);
    if (at < 0 || at + 1 >= arguments.size())
        return fallback;
    return qMax(minimum, arguments.at(at + 1).toInt());
}

struct ArmedTasks
{
    const char *date;
    const char *shutdownTime;
    const char *endOfWorkTime;
    bool everyDay;
    const char *restInterval; // the combo box's stored text
};

inline void ArmAllThreeTasks(const ArmedTasks &tasks)
{
    QSettings store(SettingsStore::OrganisationName, SettingsStore::ApplicationName);
    const char *everyDay = tasks.everyDay ? "1" : "0";
    store.setValue(SettingsStore::IsShutdownScheduledKey, "true");
    store.setValue("Date_QDateEdit", tasks.date);
    store.setValue("Time_QTimeEdit", tasks.shutdownTime);
    store.setValue("EveryDate_QRadioButton", everyDay);
    store.setValue(SettingsStore::IsEndWorkReminderScheduledKey, "true");
    store.setValue("Date_EndWorkReminder_QDateEdit", tasks.date);
    store.setValue("Time_EndWorkReminder_QTimeEdit", tasks.endOfWorkTime);
    store.setValue("EveryDate_EndWorkReminder_QRadioButton", everyDay);
    store.setValue(SettingsStore::IsRestReminderScheduledKey, "true");
    store.setValue("TimeInterval_RestReminder_comboBox", tasks.restInterval);
}

// Stops the window's own timer, so that the benchmark runs every tick, and
// shows the window on the shutdown page with its balloons recorded.
inline RecordingNotifier *ShowOnShutdownPage(MainWindow &window)
{
    MainWindowProbe::ApplicationTimer(window)->stop();
    RecordingNotifier *balloons = RecordingNotifier::InstallOn(window);
    window.SwitchPage(3);
    window.show();
    QCoreApplication::processEvents();
    return balloons;
}

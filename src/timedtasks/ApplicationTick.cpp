#include "app/MainWindow.h"

#include "app/Notifier.h"
#include "persistence/SettingsStore.h"
#include "timedtasks/Clock.h"
#include "timedtasks/Countdown.h"
#include "timedtasks/IdleTime.h"
#include "ui_MainWindow.h"

#include <QSettings>

#include <exception>

namespace {

struct ArmedTasks
{
    bool shutdown = false;
    bool endOfWork = false;
    bool rest = false;
};

// One opening of the store per tick. A flag whose moment was never stored in
// a form that reads back was disarmed at start-up (TaskSettings).
ArmedTasks ReadArmedTasksFromStore()
{
    const QSettings store(QString::fromLatin1(SettingsStore::OrganisationName),
                          QString::fromLatin1(SettingsStore::ApplicationName));
    const auto flagSet
        = [&store](const char *key) { return SettingsStore::IsFlagSet(store, QString::fromLatin1(key)); };
    ArmedTasks armed;
    armed.shutdown = flagSet(SettingsStore::IsShutdownScheduledKey);
    armed.endOfWork = flagSet(SettingsStore::IsEndWorkReminderScheduledKey);
    armed.rest = flagSet(SettingsStore::IsRestReminderScheduledKey);
    return armed;
}

ArmedTasks ReadArmedTasks()
{
    // A store Qt cannot read throws on every read (see
    // WidgetState::RestoreWidgetState); nothing counts as armed then, rather
    // than the exception ending the program from inside the timer.
    try {
        return ReadArmedTasksFromStore();
    } catch (const std::exception &) {
        return ArmedTasks();
    }
}

} // namespace

// The targets come from the page widgets as they are now, so editing a date
// or time while a task is armed moves the task from the next tick on.
void MainWindow::ApplicationTimerFunction()
{
    const QDateTime now = Clock::Now();
    const ArmedTasks armed = ReadArmedTasks();

    if (!armed.shutdown) {
        Ui->statusLabel->setText(Countdown::ShutdownNotSetText());
        UpdateShutdownWarning(now, Countdown::ShutdownRun(), PowerAction::PowerOff);
    } else {
        const QDate date = Ui->Date_QDateEdit->date();
        const QTime time = Ui->Time_QTimeEdit->time();
        const bool everyDay = Ui->EveryDate_QRadioButton->isChecked();
        const PowerAction action = ChosenPowerAction();
        const Countdown::ShutdownRun run = CurrentShutdownRun(now);
        const Countdown::Outcome shutdown
            = Countdown::ShutdownRunOutcome(now, date, time, everyDay, run, action);
        // Sleep is asked for once per run: after waking inside the window it
        // would otherwise go straight back to sleep. Its outcome stays shown
        // for the rest of the window.
        const bool asleepAlready = action == PowerAction::Sleep && SleptFor == run.target;
        if (!(shutdown.fire && asleepAlready))
            Ui->statusLabel->setText(shutdown.label);
        if (shutdown.fire && !asleepAlready) {
            if (action == PowerAction::Sleep)
                SleptFor = run.target;
            ShutdownNow();
        }
        const Countdown::ShutdownWarning warning
            = Countdown::WarnBeforeShutdown(now, run, LastWarnedShutdown);
        LastWarnedShutdown = warning.lastWarned;
        if (warning.warn && Balloons) {
            Balloons->ShowMessage(QStringLiteral("提示"),
                                  Countdown::ShutdownWarningText(warning.seconds, action),
                                  QSystemTrayIcon::Information, 10000);
        }
        UpdateShutdownWarning(now, run, action);
    }

    if (!armed.endOfWork) {
        Ui->ReminderInformation_EndWorkReminder_QLabel->setText(Countdown::EndOfWorkNotSetText());
    } else {
        const Countdown::Outcome endOfWork = Countdown::EndOfWork(
            now, Ui->Date_EndWorkReminder_QDateEdit->date(), Ui->Time_EndWorkReminder_QTimeEdit->time(),
            Ui->EveryDate_EndWorkReminder_QRadioButton->isChecked());
        Ui->ReminderInformation_EndWorkReminder_QLabel->setText(endOfWork.label);
        if (endOfWork.fire && Balloons) {
            Balloons->ShowMessage(QStringLiteral("提示"),
                                  QStringLiteral("下班时间到了,开始愉快的下班生活吧!"),
                                  QSystemTrayIcon::Information, 60000);
        }
    }

    // Whether someone is at the desk is followed on every tick, armed or not.
    const Countdown::RestOutcome rest = Countdown::RestAtDesk(
        now, LastRestHour, RestPresence, Ui->TimeInterval_RestReminder_comboBox->currentText(),
        IdleTime::Seconds(), armed.rest);
    RestPresence = rest.presence;
    LastRestHour = rest.lastRestHour;
    if (!armed.rest) {
        Ui->ReminderInformation_RestReminder_QLabel->setText(Countdown::RestNotSetText());
        return;
    }
    if (rest.skip)
        return;
    if (rest.fire) {
        if (Balloons) {
            Balloons->ShowMessage(QStringLiteral("提示"),
                                  QStringLiteral("休息时间到了,喝点水活动下，对身体好哦!"),
                                  QSystemTrayIcon::Information, 10000);
        }
        return;
    }
    Ui->ReminderInformation_RestReminder_QLabel->setText(rest.label);
}

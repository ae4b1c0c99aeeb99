#include "app/MainWindow.h"

#include "app/Notifier.h"
#include "persistence/SettingsStore.h"
#include "persistence/WidgetState.h"
#include "timedtasks/Clock.h"
#include "timedtasks/Countdown.h"
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

// Whether a stored date and time read back, remembered for the last texts.
class StoredMomentCheck
{
public:
    bool ReadsBack(const QString &date, const QString &time)
    {
        if (date != Date || time != Time) {
            Date = date;
            Time = time;
            Valid = WidgetState::DecodeStoredDate(date).isValid()
                && WidgetState::DecodeStoredTime(time).isValid();
        }
        return Valid;
    }

private:
    QString Date;
    QString Time;
    bool Valid = false;
};

// One opening of the store per tick. A flag counts only when the moment it
// fires at was stored too, in a form that reads back: otherwise the edits
// show the moment of the start or the form's default of midnight, and a task
// would fire at a time the user never chose (the shutdown at every start or
// every midnight).
ArmedTasks ReadArmedTasksFromStore(const Ui::MainWindow &form)
{
    const QSettings store(QString::fromLatin1(SettingsStore::OrganisationName),
                          QString::fromLatin1(SettingsStore::ApplicationName));
    const auto flagSet
        = [&store](const char *key) { return SettingsStore::IsFlagSet(store, QString::fromLatin1(key)); };
    const auto storedText
        = [&store](const QObject *widget) { return store.value(widget->objectName()).toString(); };
    // Reading a text with a format costs more than the rest of the tick,
    // and the stored texts change only when a task is set.
    static StoredMomentCheck shutdownMoment, endOfWorkMoment;
    const auto stored
        = [&storedText](StoredMomentCheck &check, const QDateEdit *date, const QTimeEdit *time) {
              return check.ReadsBack(storedText(date), storedText(time));
          };

    ArmedTasks armed;
    armed.shutdown = flagSet(SettingsStore::IsShutdownScheduledKey)
        && stored(shutdownMoment, form.Date_QDateEdit, form.Time_QTimeEdit);
    armed.endOfWork = flagSet(SettingsStore::IsEndWorkReminderScheduledKey)
        && stored(endOfWorkMoment, form.Date_EndWorkReminder_QDateEdit, form.Time_EndWorkReminder_QTimeEdit);
    armed.rest = flagSet(SettingsStore::IsRestReminderScheduledKey);
    return armed;
}

ArmedTasks ReadArmedTasks(const Ui::MainWindow &form)
{
    // A store Qt cannot read throws on every read (see
    // WidgetState::RestoreWidgetState); nothing counts as armed then, rather
    // than the exception ending the program from inside the timer.
    try {
        return ReadArmedTasksFromStore(form);
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
    const ArmedTasks armed = ReadArmedTasks(*Ui);

    if (!armed.shutdown) {
        Ui->statusLabel->setText(Countdown::ShutdownNotSetText());
    } else {
        const Countdown::Outcome shutdown
            = Countdown::Shutdown(now, Ui->Date_QDateEdit->date(), Ui->Time_QTimeEdit->time(),
                                  Ui->EveryDate_QRadioButton->isChecked());
        Ui->statusLabel->setText(shutdown.label);
        if (shutdown.fire)
            ShutdownNow();
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

    if (!armed.rest) {
        Ui->ReminderInformation_RestReminder_QLabel->setText(Countdown::RestNotSetText());
        return;
    }
    const Countdown::RestOutcome rest
        = Countdown::Rest(now, LastRestHour, Ui->TimeInterval_RestReminder_comboBox->currentText());
    if (rest.skip)
        return;
    LastRestHour = rest.lastRestHour;
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

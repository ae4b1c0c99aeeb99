#include "app/MainWindow.h"

#include "persistence/SettingsStore.h"
#include "timedtasks/Clock.h"
#include "timedtasks/Countdown.h"
#include "timedtasks/PowerOff.h"
#include "timedtasks/ShutdownWarningWindow.h"
#include "timedtasks/TaskSettings.h"
#include "ui_MainWindow.h"

#include <QMessageBox>

namespace {

QDateTime ReadMoment(const char *key)
{
    return QDateTime::fromString(SettingsStore::ReadText(QString::fromLatin1(key)), Qt::ISODate);
}

void WriteMoment(const char *key, const QDateTime &moment)
{
    SettingsStore::WriteText(QString::fromLatin1(key),
                             moment.isValid() ? moment.toString(Qt::ISODate) : QString());
}

} // namespace

void MainWindow::InitShutdownPage()
{
    TaskSettings::RestoreTaskMoment(Ui->Date_QDateEdit, Ui->Time_QTimeEdit,
                                    QString::fromLatin1(SettingsStore::IsShutdownScheduledKey), Clock::Now());
    ShutdownRunChanges
        = {ReadMoment(SettingsStore::ShutdownSkippedKey), ReadMoment(SettingsStore::ShutdownPostponedFromKey),
           ReadMoment(SettingsStore::ShutdownPostponedToKey)};

    ConnectNavigationButton(3);
    ConnectPressed(Ui->SetShutdown_QPushButton, &MainWindow::ScheduleShutdown);
    ConnectPressed(Ui->CancelShutdown_QPushButton, &MainWindow::CancelShutdown);
    ConnectPressed(Ui->SetDelay_QPushButton, &MainWindow::ScheduleShutdownAfterDelay);
}

// "Shut down in an hour": the page shows the moment it arms, as a one-off,
// and arms it the way its own button does.
void MainWindow::ScheduleShutdownAfterDelay()
{
    const QDateTime target = Countdown::DelayTarget(Clock::Now(), Ui->DelayMinutes_QSpinBox->value());
    Ui->Date_QDateEdit->setDate(target.date());
    Ui->Time_QTimeEdit->setTime(target.time());
    Ui->EveryDate_QRadioButton->setChecked(false);
    ScheduleShutdown();
}

void MainWindow::ScheduleShutdown()
{
    // The date counts in every-day mode too: a daily time is accepted only
    // once the chosen day's moment still lies ahead.
    const QDateTime target(Ui->Date_QDateEdit->date(), Ui->Time_QTimeEdit->time());
    if (!(Clock::Now() < target)) {
        QMessageBox::warning(this, tr("错误"), tr("请选择一个未来的时间"));
        return;
    }
    QMessageBox::information(this, tr("提示"), tr("定时关机设置成功"));
    TaskSettings::StoreWidgetValues(
        {Ui->Date_QDateEdit, Ui->Time_QTimeEdit, Ui->EveryDate_QRadioButton, Ui->ShutdownAction_QComboBox});
    SettingsStore::WriteFlag(QString::fromLatin1(SettingsStore::IsShutdownScheduledKey), true);
    // Armed anew, even for the same moment: the warning comes again, and
    // nothing left out or moved before still holds.
    LastWarnedShutdown = QDateTime();
    DismissedWarning = QDateTime();
    SetShutdownRunChanges({});
}

void MainWindow::CancelShutdown()
{
    LastWarnedShutdown = QDateTime();
    SetShutdownRunChanges({});
    SettingsStore::WriteFlag(QString::fromLatin1(SettingsStore::IsShutdownScheduledKey), false);
    if (WarningWindow)
        WarningWindow->hide();
}

// A one-off task has no other run to keep, so it is disarmed.
void MainWindow::CancelShutdownRun()
{
    if (!Ui->EveryDate_QRadioButton->isChecked()) {
        CancelShutdown();
        return;
    }
    SetShutdownRunChanges(Countdown::Skip(CurrentShutdownRun(Clock::Now())));
}

// The page keeps its moment: a daily time stays what it is for the days
// after.
void MainWindow::PostponeShutdownRun()
{
    SetShutdownRunChanges(Countdown::Postpone(CurrentShutdownRun(Clock::Now())));
}

void MainWindow::SetShutdownRunChanges(const Countdown::ShutdownChanges &changes)
{
    const bool stored = ShutdownRunChanges.skipped.isValid() || ShutdownRunChanges.postponedFrom.isValid();
    ShutdownRunChanges = changes;
    if (!stored && !changes.skipped.isValid() && !changes.postponedFrom.isValid())
        return;
    WriteMoment(SettingsStore::ShutdownSkippedKey, changes.skipped);
    WriteMoment(SettingsStore::ShutdownPostponedFromKey, changes.postponedFrom);
    WriteMoment(SettingsStore::ShutdownPostponedToKey, changes.postponedTo);
}

PowerAction MainWindow::ChosenPowerAction() const
{
    const QString chosen = Ui->ShutdownAction_QComboBox->currentText();
    if (chosen == QStringLiteral("重启"))
        return PowerAction::Restart;
    if (chosen == QStringLiteral("睡眠"))
        return PowerAction::Sleep;
    return PowerAction::PowerOff;
}

Countdown::ShutdownRun MainWindow::CurrentShutdownRun(const QDateTime &now) const
{
    return Countdown::CurrentShutdownRun(now, Ui->Date_QDateEdit->date(), Ui->Time_QTimeEdit->time(),
                                         Ui->EveryDate_QRadioButton->isChecked(), ShutdownRunChanges);
}

// Power-off and restart close programs without asking them: the last minute
// gets a window that can still stop it. Sleep loses nothing and gets only
// the balloon.
void MainWindow::UpdateShutdownWarning(const QDateTime &now, const Countdown::ShutdownRun &run,
                                       PowerAction action)
{
    const qint64 left = now.secsTo(run.target);
    const bool due = action != PowerAction::Sleep && !run.skipped && left >= 1
        && left <= Countdown::WarningSeconds && run.target != DismissedWarning;
    if (!due) {
        if (WarningWindow)
            WarningWindow->hide();
        return;
    }
    if (!WarningWindow) {
        WarningWindow = new ShutdownWarningWindow;
        connect(WarningWindow, &ShutdownWarningWindow::CancelRequested, this, &MainWindow::CancelShutdownRun);
        connect(WarningWindow, &ShutdownWarningWindow::PostponeRequested, this,
                &MainWindow::PostponeShutdownRun);
        connect(WarningWindow, &ShutdownWarningWindow::Dismissed, this,
                [this] { DismissedWarning = CurrentShutdownRun(Clock::Now()).target; });
    }
    WarningWindow->ShowSecondsLeft(left, action);
}

// The armed flag stays as it is either way: a refused power-off or restart
// is tried again on the next tick of the window, and an accepted one ends
// the session.
void MainWindow::ShutdownNow()
{
    switch (ChosenPowerAction()) {
    case PowerAction::PowerOff:
        Ui->statusLabel->setText(PowerOffSystem() ? tr("Windows正在执行关机...") : tr("Windows关机失败"));
        break;
    case PowerAction::Restart:
        Ui->statusLabel->setText(RestartSystem() ? tr("电脑正在重启...") : tr("重启失败"));
        break;
    case PowerAction::Sleep:
        if (!SleepAllowed())
            Ui->statusLabel->setText(tr("系统不允许睡眠"));
        else
            Ui->statusLabel->setText(SleepSystem() ? tr("电脑正在进入睡眠...") : tr("睡眠失败"));
        break;
    }
}

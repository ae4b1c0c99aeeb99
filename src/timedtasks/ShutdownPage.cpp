#include "app/MainWindow.h"

#include "persistence/SettingsStore.h"
#include "timedtasks/Clock.h"
#include "timedtasks/Countdown.h"
#include "timedtasks/PowerOff.h"
#include "timedtasks/TaskSettings.h"
#include "ui_MainWindow.h"

#include <QMessageBox>

void MainWindow::InitShutdownPage()
{
    TaskSettings::RestoreTaskMoment(Ui->Date_QDateEdit, Ui->Time_QTimeEdit,
                                    QString::fromLatin1(SettingsStore::IsShutdownScheduledKey), Clock::Now());

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
    TaskSettings::StoreWidgetValues({Ui->Date_QDateEdit, Ui->Time_QTimeEdit, Ui->EveryDate_QRadioButton});
    SettingsStore::WriteFlag(QString::fromLatin1(SettingsStore::IsShutdownScheduledKey), true);
    // Armed anew, even for the same moment: the warning comes again.
    LastWarnedShutdown = QDateTime();
}

void MainWindow::CancelShutdown()
{
    LastWarnedShutdown = QDateTime();
    SettingsStore::WriteFlag(QString::fromLatin1(SettingsStore::IsShutdownScheduledKey), false);
}

// The armed flag stays as it is either way: a refused request is tried again
// on the next tick of the window, and an accepted one ends the session.
void MainWindow::ShutdownNow()
{
    Ui->statusLabel->setText(PowerOffSystem() ? tr("Windows正在执行关机...") : tr("Windows关机失败"));
}

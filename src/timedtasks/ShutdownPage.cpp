#include "app/MainWindow.h"

#include "persistence/SettingsStore.h"
#include "timedtasks/Clock.h"
#include "timedtasks/PowerOff.h"
#include "timedtasks/TaskSettings.h"
#include "ui_MainWindow.h"

#include <QMessageBox>

void MainWindow::InitShutdownPage()
{
    // A value saved earlier stays as the restore put it; only a page that was
    // never saved starts at the present minute. The edit shows no seconds and
    // none are stored, so leftover seconds would make the target the user
    // sees differ from the one that fires, and move it after a restart.
    const QDateTime now = Clock::Now();
    if (SettingsStore::ReadText(Ui->Date_QDateEdit->objectName(), QString()).isEmpty())
        Ui->Date_QDateEdit->setDate(now.date());
    if (SettingsStore::ReadText(Ui->Time_QTimeEdit->objectName(), QString()).isEmpty())
        Ui->Time_QTimeEdit->setTime(QTime(now.time().hour(), now.time().minute()));

    ConnectNavigationButton(3);
    connect(
        Ui->SetShutdown_QPushButton, &QPushButton::pressed, Ui->SetShutdown_QPushButton,
        [this] { ScheduleShutdown(); }, Qt::DirectConnection);
    connect(
        Ui->CancelShutdown_QPushButton, &QPushButton::pressed, Ui->CancelShutdown_QPushButton,
        [this] { CancelShutdown(); }, Qt::DirectConnection);
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
}

void MainWindow::CancelShutdown()
{
    SettingsStore::WriteFlag(QString::fromLatin1(SettingsStore::IsShutdownScheduledKey), false);
}

// The armed flag stays as it is either way: a refused request is tried again
// on the next tick of the window, and an accepted one ends the session.
void MainWindow::ShutdownNow()
{
    Ui->statusLabel->setText(PowerOffSystem() ? tr("Windows正在执行关机...") : tr("Windows关机失败"));
}

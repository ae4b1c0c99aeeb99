#include "app/MainWindow.h"

#include "persistence/SettingsStore.h"
#include "timedtasks/Clock.h"
#include "timedtasks/TaskSettings.h"
#include "ui_MainWindow.h"

#include <QMessageBox>

void MainWindow::InitRestReminderPage()
{
    // Counted in memory only: every start begins a fresh working stretch.
    LastRestHour = Clock::Now().time().hour();

    ConnectNavigationButton(5);
    ConnectPressed(Ui->Set_RestReminder_QPushButton, &MainWindow::ScheduleRestReminder);
    ConnectPressed(Ui->Cancel_RestReminder_QPushButton, &MainWindow::CancelRestReminder);
}

// Arming leaves LastRestHour alone: the stretch since the start or the last
// reminder already counts.
void MainWindow::ScheduleRestReminder()
{
    QMessageBox::information(this, tr("提示"), tr("休息提醒设置成功"));
    TaskSettings::StoreWidgetValues({Ui->TimeInterval_RestReminder_comboBox});
    SettingsStore::WriteFlag(QString::fromLatin1(SettingsStore::IsRestReminderScheduledKey), true);
}

void MainWindow::CancelRestReminder()
{
    SettingsStore::WriteFlag(QString::fromLatin1(SettingsStore::IsRestReminderScheduledKey), false);
}

#include "app/MainWindow.h"

#include "persistence/SettingsStore.h"
#include "timedtasks/Clock.h"
#include "timedtasks/TaskSettings.h"
#include "ui_MainWindow.h"

#include <QMessageBox>

void MainWindow::InitEndWorkReminderPage()
{
    TaskSettings::RestoreTaskMoment(Ui->Date_EndWorkReminder_QDateEdit, Ui->Time_EndWorkReminder_QTimeEdit,
                                    QString::fromLatin1(SettingsStore::IsEndWorkReminderScheduledKey),
                                    Clock::Now());

    ConnectNavigationButton(4);
    ConnectPressed(Ui->Set_EndWorkReminder_QPushButton, &MainWindow::ScheduleEndWorkReminder);
    ConnectPressed(Ui->Cancel_EndWorkReminder_QPushButton, &MainWindow::CancelEndWorkReminder);
}

// A moment in the past is accepted on purpose: in every-day mode it simply
// comes round again tomorrow.
void MainWindow::ScheduleEndWorkReminder()
{
    QMessageBox::information(this, tr("提示"), tr("下班提醒设置成功"));
    TaskSettings::StoreWidgetValues({Ui->Date_EndWorkReminder_QDateEdit, Ui->Time_EndWorkReminder_QTimeEdit,
                                     Ui->EveryDate_EndWorkReminder_QRadioButton});
    SettingsStore::WriteFlag(QString::fromLatin1(SettingsStore::IsEndWorkReminderScheduledKey), true);
}

void MainWindow::CancelEndWorkReminder()
{
    SettingsStore::WriteFlag(QString::fromLatin1(SettingsStore::IsEndWorkReminderScheduledKey), false);
}

#include "app/MainWindow.h"

#include "persistence/SettingsStore.h"
#include "timedtasks/Clock.h"
#include "timedtasks/TaskSettings.h"
#include "ui_MainWindow.h"

#include <QMessageBox>

void MainWindow::InitEndWorkReminderPage()
{
    const QDateTime now = Clock::Now();
    if (SettingsStore::ReadText(Ui->Date_EndWorkReminder_QDateEdit->objectName(), QString()).isEmpty())
        Ui->Date_EndWorkReminder_QDateEdit->setDate(now.date());
    if (SettingsStore::ReadText(Ui->Time_EndWorkReminder_QTimeEdit->objectName(), QString()).isEmpty())
        Ui->Time_EndWorkReminder_QTimeEdit->setTime(QTime(now.time().hour(), now.time().minute()));

    ConnectNavigationButton(4);
    connect(
        Ui->Set_EndWorkReminder_QPushButton, &QPushButton::pressed, Ui->Set_EndWorkReminder_QPushButton,
        [this] { ScheduleEndWorkReminder(); }, Qt::DirectConnection);
    connect(
        Ui->Cancel_EndWorkReminder_QPushButton, &QPushButton::pressed, Ui->Cancel_EndWorkReminder_QPushButton,
        [this] { CancelEndWorkReminder(); }, Qt::DirectConnection);
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

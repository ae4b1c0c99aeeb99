#include "app/MainWindow.h"

#include "ui_MainWindow.h"

#include <QTime>

void MainWindow::InitRestReminderPage()
{
    LastRestHour = QTime::currentTime().hour();
    ConnectNavigationButton(5);
}

void MainWindow::ScheduleRestReminder() { }

void MainWindow::CancelRestReminder() { }

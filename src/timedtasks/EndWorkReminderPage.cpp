#include "app/MainWindow.h"

#include "ui_MainWindow.h"

void MainWindow::InitEndWorkReminderPage()
{
    ConnectNavigationButton(4);
}

void MainWindow::ScheduleEndWorkReminder() { }

void MainWindow::CancelEndWorkReminder() { }

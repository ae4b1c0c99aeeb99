#include "app/MainWindow.h"

#include "ui_MainWindow.h"

void MainWindow::InitShutdownPage()
{
    ConnectNavigationButton(3);
}

void MainWindow::ScheduleShutdown() { }

void MainWindow::CancelShutdown() { }

void MainWindow::ShutdownNow() { }

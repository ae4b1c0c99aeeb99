#include "app/MainWindow.h"

#include "ui_MainWindow.h"

void MainWindow::InitImageToIconPage()
{
    ConnectNavigationButton(1);
}

void MainWindow::BrowseRawImage() { }

void MainWindow::BrowseIconDirectory() { }

void MainWindow::ConvertImageToIcon() { }

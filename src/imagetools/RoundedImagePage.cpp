#include "app/MainWindow.h"

#include "ui_MainWindow.h"

void MainWindow::InitRoundedImagePage()
{
    ConnectNavigationButton(2);
}

void MainWindow::SelectRoundedImage() { }

void MainWindow::ShowPlainPreview() { }

void MainWindow::RenderRoundedImage() { }

void MainWindow::PickBackgroundColor() { }

void MainWindow::SaveRoundedImage() { }

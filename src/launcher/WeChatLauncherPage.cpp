#include "app/MainWindow.h"

#include "app/NavigationStyles.h"
#include "ui_MainWindow.h"

void MainWindow::InitWeChatPage()
{
    Ui->pushButton1->setStyleSheet(QString::fromLatin1(NavButtonSelectedStyle));
    ConnectNavigationButton(0);
}

void MainWindow::BrowseWeChatPath() { }

void MainWindow::LaunchWeChatInstances() { }

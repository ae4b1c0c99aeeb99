#include "app/MainWindow.h"

#include "app/NavigationStyles.h"
#include "launcher/DetachedStart.h"
#include "ui_MainWindow.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QTimer>

void MainWindow::InitWeChatPage()
{
    Ui->pushButton1->setStyleSheet(QString::fromLatin1(NavButtonSelectedStyle));
    ConnectNavigationButton(0);
    ConnectPressed(Ui->WeiXinPath_QPushButton, &MainWindow::BrowseWeChatPath);
    ConnectPressed(Ui->WeiXinNumber_QPushButton, &MainWindow::LaunchWeChatInstances);
}

void MainWindow::BrowseWeChatPath()
{
    // An empty start directory leaves the choice to the dialog (the folder it
    // showed last, else the working directory).
    QString startDirectory;
    const QString currentPath = Ui->WeiXinPath_QLineEdit->text();
    if (!currentPath.isEmpty()) {
        const QFileInfo info(currentPath);
        if (info.isDir())
            startDirectory = currentPath;
        else if (info.exists())
            startDirectory = info.path();
    }

    const QString chosen = QFileDialog::getOpenFileName(this, tr("选择微信可执行文件"), startDirectory,
                                                        tr("可执行文件 (*.exe);;所有文件 (*)"));
    if (!chosen.isEmpty())
        Ui->WeiXinPath_QLineEdit->setText(chosen);
}

void MainWindow::LaunchWeChatInstances()
{
    // A second press while instances are still starting would interleave
    // two launches.
    if (IsLaunching)
        return;
    const QString program = Ui->WeiXinPath_QLineEdit->text();
    const int count = Ui->WeiXinNumber_QSpinBox->value();
    if (program.isEmpty()) {
        QMessageBox::warning(this, tr("路径无效"), tr("请选择有效的微信可执行文件路径！"));
        return;
    }
    if (count <= 0) {
        QMessageBox::warning(this, tr("微信数量无效"), tr("请输入大于0数字！"));
        return;
    }
    IsLaunching = true;
    LaunchFrom(program, count, 1);
}

// Starts the instances from `instance` on. After each one that starts, the
// next waits 200 ms on a timer rather than in a sleep, so the window keeps
// painting and the one-second tick keeps firing the timed tasks while a
// hundred instances start; a failed start goes on at once after its box.
void MainWindow::LaunchFrom(const QString &program, int count, int instance)
{
    for (; instance <= count; ++instance) {
        const Launcher::StartOutcome outcome = Launcher::StartDetached(program);
        if (outcome.started) {
            QTimer::singleShot(
                200, this, [this, program, count, instance] { LaunchFrom(program, count, instance + 1); });
            return;
        }
        QMessageBox::critical(
            this, tr("启动失败"),
            tr("启动第 %1 个微信实例失败：%2").arg(QString::number(instance), outcome.errorText));
    }
    IsLaunching = false;
}

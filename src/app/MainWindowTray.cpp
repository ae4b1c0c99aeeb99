#include "MainWindow.h"

#include "Notifier.h"
#include "SignInStart.h"
#include "SystemTray.h"
#include "persistence/SettingsStore.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QIcon>
#include <QMenu>
#include <QMessageBox>
#include <QTimer>

void MainWindow::InitTray()
{
    TrayIcon = new QSystemTrayIcon(this);
    TrayIcon->setIcon(QIcon(QStringLiteral(":/new/prefix1/Image/logo_image.ico")));
    TrayIcon->setToolTip(QStringLiteral("Varno软件"));

    TrayMenu = new QMenu(this);
    SignInStartAction = new QAction(QStringLiteral("开机时启动"), this);
    SignInStartAction->setCheckable(true);
    QuitAction = new QAction(QStringLiteral("退出"), this);
    TrayMenu->addAction(SignInStartAction);
    TrayMenu->addAction(QuitAction);
    TrayIcon->setContextMenu(TrayMenu);

    connect(TrayIcon, &QSystemTrayIcon::activated, this, &MainWindow::TrayIconActivated);
    connect(QuitAction, &QAction::triggered, this, &MainWindow::QuitActionTriggered);
    // The installer, Task Manager or a hand edit may have changed it since.
    connect(TrayMenu, &QMenu::aboutToShow, this,
            [this] { SignInStartAction->setChecked(SignInStart::IsEnabled()); });
    connect(SignInStartAction, &QAction::triggered, this, &MainWindow::SignInStartTriggered);

#ifndef QT_NO_SESSIONMANAGER
    // A desktop logout ends the program without any of our own quit paths
    // running; keep what the user entered, armed tasks' targets included.
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this] { SaveWidgetState(this); });
#endif

    Balloons = std::make_unique<TrayNotifier>(TrayIcon);
    TrayIcon->setVisible(true);
}

void MainWindow::TrayIconActivated(QSystemTrayIcon::ActivationReason Reason)
{
    if (Reason != QSystemTrayIcon::DoubleClick)
        return;
    BringBack();
}

void MainWindow::BringBack()
{
    // Hiding keeps the maximised state; only a minimised window needs undoing.
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void MainWindow::StartInTray(int trayWaitMs)
{
    if (SystemTray::IsAvailable())
        return;
    auto *waitForTray = new QTimer(this);
    const int rounds = qMax(1, trayWaitMs / 250);
    connect(waitForTray, &QTimer::timeout, this, [this, waitForTray, rounds, round = 0]() mutable {
        if (SystemTray::IsAvailable() || isVisible()) {
            waitForTray->deleteLater();
        } else if (++round >= rounds) {
            waitForTray->deleteLater();
            show();
        }
    });
    waitForTray->start(qMin(250, trayWaitMs));
}

void MainWindow::SignInStartTriggered(bool checked)
{
    if (!SignInStart::SetEnabled(checked))
        QMessageBox::warning(this, QStringLiteral("错误"), QStringLiteral("开机时启动设置失败"));
    SignInStartAction->setChecked(SignInStart::IsEnabled());
}

bool MainWindow::AskQuitConfirmation()
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("确认"), QStringLiteral("是否退出程序？"),
                    QMessageBox::Yes | QMessageBox::No, this);
    box.setDefaultButton(QMessageBox::NoButton);
    // Asked from the tray while the window is hidden, this box is the only
    // visible window; closing it must not count as the last window closing,
    // or answering No would end the program anyway.
    box.setAttribute(Qt::WA_QuitOnClose, false);
    return box.exec() == QMessageBox::Yes;
}

// Every way out saves the widget values: an armed task whose date and time
// were not stored would come back aimed at whatever the edits show next time.
void MainWindow::EndProgram()
{
    SaveWidgetState(this);
    TrayIcon->hide();
    QCoreApplication::quit();
}

void MainWindow::QuitActionTriggered()
{
    if (AskQuitConfirmation())
        EndProgram();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (!TrayIcon->isVisible())
        return;

    // Hiding into a tray that does not exist would leave the program running
    // with no window and no reachable quit entry.
    if (!SystemTray::IsAvailable()) {
        if (AskQuitConfirmation()) {
            EndProgram();
        } else {
            event->ignore();
            showMinimized();
        }
        return;
    }

    hide();
    event->ignore();

    const QString counterKey = QString::fromLatin1(SettingsStore::ApplicationShowCounterKey);
    // Read as int but counted in 64 bits, so no stored number can overflow.
    const qint64 hiddenBefore = SettingsStore::ReadText(counterKey, QStringLiteral("0")).toInt();
    SettingsStore::WriteText(counterKey, QString::number(hiddenBefore + 1));
    if (hiddenBefore <= 2) {
        Balloons->ShowMessage(QStringLiteral("提示"),
                              QStringLiteral("程序已最小化到托盘,鼠标左键双击图标可打开程序"),
                              QSystemTrayIcon::Information, 2000);
    }
}

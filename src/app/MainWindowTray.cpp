#include "MainWindow.h"

#include "Notifier.h"
#include "SignInStart.h"
#include "SystemTray.h"
#include "persistence/SettingsStore.h"
#include "ui_MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QIcon>
#include <QMenu>
#include <QMessageBox>
#include <QTimer>

#ifndef Q_OS_WIN
#include <QX11Info>
#endif

void MainWindow::InitTray()
{
    TrayMenu = new QMenu(this);
    SignInStartAction = new QAction(QStringLiteral("开机时启动"), this);
    SignInStartAction->setCheckable(true);
    QuitAction = new QAction(QStringLiteral("退出"), this);
    TrayMenu->addAction(SignInStartAction);
    TrayMenu->addAction(QuitAction);

    connect(QuitAction, &QAction::triggered, this, &MainWindow::QuitActionTriggered);
    // The installer, Task Manager or a hand edit may have changed it since.
    connect(TrayMenu, &QMenu::aboutToShow, this,
            [this] { SignInStartAction->setChecked(SignInStart::IsEnabled()); });
    connect(SignInStartAction, &QAction::triggered, this, &MainWindow::SignInStartTriggered);

    // The same menu on the title bar: on a desktop without a tray it is the
    // only way to the sign-in switch, and to quitting.
    Ui->widget_top->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(Ui->widget_top, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &position) { TrayMenu->popup(Ui->widget_top->mapToGlobal(position)); });

#ifndef QT_NO_SESSIONMANAGER
    // A desktop logout ends the program without any of our own quit paths
    // running; keep what the user entered, armed tasks' targets included.
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this] { SaveWidgetState(this); });
#endif

    Balloons = std::make_unique<TrayNotifier>();
    // Asking for the tray and making its icon (a native window of its own)
    // waits until the window has first been drawn (paintEvent), or is made at
    // once for a start into the tray (StartInTray).
    connect(&SystemTray::Watcher(), &SystemTray::Watch::Changed, this, &MainWindow::ShowTrayIcon);
}

// Made only once a tray is there (see SystemTray.h). A panel that restarts
// is Qt's business from then on: its icon registers again with a new
// StatusNotifier watcher, and docks again in a new X11 tray.
void MainWindow::ShowTrayIcon()
{
    if (TrayIcon || EndingProgram || !SystemTray::IsAvailable())
        return;
    TrayIcon = new QSystemTrayIcon(this);
    TrayIcon->setIcon(QIcon(QStringLiteral(":/new/prefix1/Image/logo_image.ico")));
    TrayIcon->setToolTip(QStringLiteral("Varno软件"));
    TrayIcon->setContextMenu(TrayMenu);
    connect(TrayIcon, &QSystemTrayIcon::activated, this, &MainWindow::TrayIconActivated);
    if (auto *trayBalloons = dynamic_cast<TrayNotifier *>(Balloons.get()))
        trayBalloons->SetTrayIcon(TrayIcon);
    TrayIcon->setVisible(true);
}

void MainWindow::TrayIconActivated(QSystemTrayIcon::ActivationReason Reason)
{
    if (Reason != QSystemTrayIcon::DoubleClick)
        return;
    BringBack();
}

void MainWindow::BringBack(const SingleInstance::Activation &activation)
{
#ifndef Q_OS_WIN
    // The window shows under the launcher's startup id and with its time, so
    // a window manager that keeps windows from stealing the focus sees a
    // request as new as the user's start, not one from the program's last
    // input long ago.
    if (QX11Info::isPlatformX11() && !activation.startupId.isEmpty()) {
        const int at = activation.startupId.lastIndexOf("_TIME");
        bool isTime = false;
        const uint time = at < 0 ? 0 : activation.startupId.mid(at + 5).toUInt(&isTime);
        if (isTime && time != 0) {
            QX11Info::setAppTime(time);
            QX11Info::setAppUserTime(time);
        }
        QX11Info::setNextStartupId(activation.startupId);
    }
#else
    // Windows: the second start has let this process take the foreground.
    Q_UNUSED(activation)
#endif
    // Hiding keeps the maximised state; only a minimised window needs undoing.
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
#ifndef Q_OS_WIN
    // Qt 5 has no way to hand a Wayland compositor the activation token; the
    // window asks for the user's attention instead.
    if (!activation.token.isEmpty() && !QX11Info::isPlatformX11())
        QApplication::alert(this);
#endif
}

void MainWindow::StartInTray(int trayWaitMs)
{
    ShowTrayIcon();
    QTimer::singleShot(trayWaitMs, this, [this] {
        if (!SystemTray::IsAvailable())
            show();
    });
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
    EndingProgram = true;
    if (TrayIcon)
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
    if (EndingProgram)
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

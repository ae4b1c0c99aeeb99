#pragma once

#include <QColor>
#include <QDateTime>
#include <QImage>
#include <QMainWindow>
#include <QPoint>
#include <QString>
#include <QSystemTrayIcon>

#include "SingleInstance.h"
#include "timedtasks/Countdown.h"

#include <memory>

class QAction;
class QMenu;
class QPushButton;
class QStandardItemModel;
class QTimer;
class Notifier;
class ShutdownWarningWindow;

namespace Ui {
class MainWindow;
}

class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    void SwitchPage(int index);

    // Shows the window as it was left (maximised, on its page), raised and
    // active: a double click on the tray icon, or a second start of the program.
    void BringBack(const SingleInstance::Activation &activation = SingleInstance::Activation());

    // A start at sign-in stays in the tray. The panel often comes up after
    // the programs it starts: without a tray within trayWaitMs the window is
    // shown, so the program is never out of reach.
    void StartInTray(int trayWaitMs = 30000);

    void SaveWidgetState(QObject *Root);
    void RestoreWidgetState(QObject *Root);

    // Balloons go through this seam so that a desktop without a tray can be
    // served differently and tests can watch what the user would see.
    void SetNotifier(std::unique_ptr<Notifier> notifier);
    Notifier *BalloonNotifier() const;

    // WeChat launcher page
    void BrowseWeChatPath();
    void LaunchWeChatInstances();

    // Image-to-icon page
    void BrowseRawImage();
    void BrowseIconDirectory();
    void ConvertImageToIcon();

    // Rounded-image page
    void SelectRoundedImage();
    void ShowPlainPreview();
    void RenderRoundedImage();
    void PickBackgroundColor();
    void SaveRoundedImage();

private:
    // What the last render was made from, and the preview's display-size
    // copies. The full-resolution result is built from the former only when
    // an export needs it: RoundedImage is null after a render and holds the
    // composite once an export over the colour background has built it.
    struct RoundedPageState;
    struct RoundedPageStateDeleter
    {
        void operator()(RoundedPageState *state) const;
    };
    std::unique_ptr<RoundedPageState, RoundedPageStateDeleter> RoundedState;
    RoundedPageState &RoundedPage();
    void RunRoundedPipeline(bool circle, bool transparentBackground);
    void ShowRoundedPreview(const QImage &preview);
    bool ExportRoundedShape(bool circle, const QString &pngPath, const QString &iconPath);
    void ShowImagePageMessage(const QString &title, const QString &text);
    void LaunchFrom(const QString &program, int count, int instance);

public:
    // Scheduled-shutdown page
    void ScheduleShutdown();
    void ScheduleShutdownAfterDelay();
    void CancelShutdown();
    void ShutdownNow();
    // The warning window's buttons: this run only.
    void CancelShutdownRun();
    void PostponeShutdownRun();

    // End-of-work reminder page
    void ScheduleEndWorkReminder();
    void CancelEndWorkReminder();

    // Rest reminder page
    void ScheduleRestReminder();
    void CancelRestReminder();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private slots:
    void ApplicationTimerFunction();
    void TrayIconActivated(QSystemTrayIcon::ActivationReason Reason);
    void QuitActionTriggered();
    void SignInStartTriggered(bool checked);

private:
    friend struct MainWindowProbe; // read-only access for the tests

    void InitTitleBar();
    void ConnectNavigationButton(int pageIndex);
    void ConnectPressed(QPushButton *button, void (MainWindow::*action)());
    void InitWeChatPage();
    void InitImageToIconPage();
    void InitRoundedImagePage();
    void InitShutdownPage();
    PowerAction ChosenPowerAction() const;
    Countdown::ShutdownRun CurrentShutdownRun(const QDateTime &now) const;
    void SetShutdownRunChanges(const Countdown::ShutdownChanges &changes);
    void UpdateShutdownWarning(const QDateTime &now, const Countdown::ShutdownRun &run, PowerAction action);
    void InitEndWorkReminderPage();
    void InitRestReminderPage();
    void InitTray();
    void ShowTrayIcon();

    bool AskQuitConfirmation();
    void EndProgram();

    Ui::MainWindow *Ui;
    QString ApplicationDirPath;
    QStandardItemModel *ListItemModel;
    bool IsDragging;
    QPoint DragOffset;
    QTimer *ApplicationTimer;
    QImage SourceImage;
    QString SourceBaseName;
    QImage RoundedImage;
    QString SourceImagePath;
    QColor BackgroundColor;
    int LastRestHour;
    Countdown::Presence RestPresence; // at the desk or away, and the last tick
    QDateTime LastWarnedShutdown; // the shutdown run last warned of
    Countdown::ShutdownChanges ShutdownRunChanges; // left out or moved, kept in the store
    QDateTime DismissedWarning; // the run whose warning window was closed
    QDateTime SleptFor; // the run that asked for sleep: asked once
    ShutdownWarningWindow *WarningWindow = nullptr; // made when first needed
    bool IsLaunching; // from the press until 200 ms after the last start
    QSystemTrayIcon *TrayIcon; // null until a tray is there
    bool EndingProgram = false;
    bool FirstPaintDone = false; // the tray icon waits for the window's first drawing
    QMenu *TrayMenu;
    QAction *QuitAction;
    QAction *SignInStartAction;
    std::unique_ptr<Notifier> Balloons;
};

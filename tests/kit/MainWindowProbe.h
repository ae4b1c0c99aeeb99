#pragma once

#include "app/MainWindow.h"
#include "app/Notifier.h"
#include "ui_MainWindow.h"

#include <QList>
#include <QStandardItemModel>
#include <QTimer>

// The window's members are private; tests read them through this friend.
struct MainWindowProbe
{
    static ::Ui::MainWindow *Form(MainWindow &window) { return window.Ui; }
    static bool IsDragging(const MainWindow &window) { return window.IsDragging; }
    static QPoint DragOffset(const MainWindow &window) { return window.DragOffset; }
    static QStandardItemModel *ListItemModel(const MainWindow &window) { return window.ListItemModel; }
    static QTimer *ApplicationTimer(const MainWindow &window) { return window.ApplicationTimer; }
    static QSystemTrayIcon *TrayIcon(const MainWindow &window) { return window.TrayIcon; }
    static QMenu *TrayMenu(const MainWindow &window) { return window.TrayMenu; }
    static QAction *QuitAction(const MainWindow &window) { return window.QuitAction; }
    static int &LastRestHour(MainWindow &window) { return window.LastRestHour; }
    static QImage &SourceImage(MainWindow &window) { return window.SourceImage; }
    static QString &SourceBaseName(MainWindow &window) { return window.SourceBaseName; }
    static QImage &RoundedImage(MainWindow &window) { return window.RoundedImage; }
    static QString &SourceImagePath(MainWindow &window) { return window.SourceImagePath; }
    static QColor &BackgroundColor(MainWindow &window) { return window.BackgroundColor; }
    static QString ApplicationDirPath(const MainWindow &window) { return window.ApplicationDirPath; }
    // One run of the one-second tick, at whatever moment the clock says.
    static void Tick(MainWindow &window) { window.ApplicationTimerFunction(); }
};

struct RecordedBalloon
{
    QString title;
    QString message;
    QSystemTrayIcon::MessageIcon icon;
    int milliseconds;
};

// Stands in for the tray so tests see every balloon the user would see.
class RecordingNotifier : public Notifier
{
public:
    void ShowMessage(const QString &title, const QString &message, QSystemTrayIcon::MessageIcon icon,
                     int millisecondsTimeoutHint) override
    {
        Shown.append({title, message, icon, millisecondsTimeoutHint});
    }

    // Replaces the window's notifier; the window owns the returned object.
    static RecordingNotifier *InstallOn(MainWindow &window)
    {
        auto notifier = std::make_unique<RecordingNotifier>();
        RecordingNotifier *raw = notifier.get();
        window.SetNotifier(std::move(notifier));
        return raw;
    }

    QList<RecordedBalloon> Shown;
};

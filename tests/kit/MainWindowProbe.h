#pragma once

#include "FakeClock.h"
#include "TestKit.h"
#include "app/MainWindow.h"
#include "app/Notifier.h"
#include "app/SystemTray.h"
#include "ui_MainWindow.h"

#include <QList>
#include <QTimer>
#include <QtTest>

#include <memory>

// The window's members are private; tests read what no widget shows through
// this friend.
struct MainWindowProbe
{
    static ::Ui::MainWindow *Form(MainWindow &window) { return window.Ui; }
    static QTimer *ApplicationTimer(const MainWindow &window) { return window.ApplicationTimer; }
    static QSystemTrayIcon *TrayIcon(const MainWindow &window) { return window.TrayIcon; }
    static QAction *QuitAction(const MainWindow &window) { return window.QuitAction; }
    static int &LastRestHour(MainWindow &window) { return window.LastRestHour; }
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

    // "title|message|milliseconds|icon" of each balloon.
    QStringList Texts() const
    {
        QStringList texts;
        for (const RecordedBalloon &balloon : Shown)
            texts << QStringList({balloon.title, balloon.message, QString::number(balloon.milliseconds),
                                  QString::number(balloon.icon)})
                         .join('|');
        return texts;
    }

    QList<RecordedBalloon> Shown;
};

namespace TestKit {

// What every window test starts from: a private store, an answerer for every
// modal, the clock at 2024-01-15 09:40 (a Monday in January, away from any
// change of daylight-saving time), a tray that exists unless told otherwise,
// and a recording tray. Start() in init(), Finish() in cleanup().
struct WindowFixture
{
    void Start()
    {
        Settings = std::make_unique<IsolatedSettings>();
        Answerer = std::make_unique<ModalAnswerer>();
        Clock = std::make_unique<FakeClock>(QDateTime(QDate(2024, 1, 15), QTime(9, 40)));
    }

    // With manual ticks the one-second timer is stopped: the test ticks.
    void Open(bool trayAvailable = true, bool manualTicks = false)
    {
        SystemTray::SetAvailabilityOverride(trayAvailable);
        Window = std::make_unique<MainWindow>();
        if (manualTicks)
            MainWindowProbe::ApplicationTimer(*Window)->stop();
        Balloons = RecordingNotifier::InstallOn(*Window);
        Form = MainWindowProbe::Form(*Window);
        Window->show();
        QVERIFY(QTest::qWaitForWindowExposed(Window.get()));
        // The tray icon follows the window's first drawing.
        if (trayAvailable)
            QTRY_VERIFY(MainWindowProbe::TrayIcon(*Window));
    }

    void Finish()
    {
        Window.reset();
        SystemTray::SetAvailabilityOverride(std::nullopt);
        Clock.reset();
        Settings.reset();
        const int unexpected = Answerer->UnexpectedCount();
        Answerer.reset();
        QCOMPARE(unexpected, 0);
    }

    void Click(const QString &name) { TestKit::Click(Window.get(), name); }

    std::unique_ptr<IsolatedSettings> Settings;
    std::unique_ptr<ModalAnswerer> Answerer;
    std::unique_ptr<FakeClock> Clock;
    std::unique_ptr<MainWindow> Window;
    ::Ui::MainWindow *Form = nullptr;
    RecordingNotifier *Balloons = nullptr;
};

} // namespace TestKit

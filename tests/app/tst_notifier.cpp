#include "kit/MainWindowProbe.h"
#include "kit/PrivateBus.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QProcess>
#include <QScreen>

namespace {

const QString RestMessage = QStringLiteral("休息时间到了,喝点水活动下，对身体好哦!");
const QString EndOfWorkMessage = QStringLiteral("下班时间到了,开始愉快的下班生活吧!");
const QString ServiceName = QStringLiteral("org.freedesktop.Notifications");
const QString ServicePath = QStringLiteral("/org/freedesktop/Notifications");

// A notification service as desktops offer it, recording what it is asked.
class FakeNotifications : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    QStringList Calls; // app, replaced id, icon, title, body, urgency, timeout
    uint NextId = 41;

public slots:
    uint Notify(const QString &appName, uint replacesId, const QString &appIcon, const QString &summary,
                const QString &body, const QStringList &, const QVariantMap &hints, int expireTimeout)
    {
        Calls << QStringList({appName, QString::number(replacesId), appIcon, summary, body,
                              QString::number(hints.value("urgency").toInt()),
                              QString::number(expireTimeout)})
                     .join('|');
        return replacesId != 0 ? replacesId : NextId++;
    }
};

QList<QWidget *> VisiblePopups()
{
    QList<QWidget *> popups;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == QLatin1String("BalloonPopup") && widget->isVisible())
            popups.append(widget);
    }
    return popups;
}

QString Message(const QWidget *popup)
{
    return popup->findChild<QLabel *>("BalloonTitle")->text() + '|'
        + popup->findChild<QLabel *>("BalloonMessage")->text();
}

} // namespace

class TestNotifier : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        const QString address = Bus.Start();
        QVERIFY2(!address.isEmpty(), "dbus-daemon did not start (Debian package dbus)");
        QVERIFY(QDBusConnection::connectToBus(address, "varno-service").isConnected());
        QVERIFY(QDBusConnection::connectToBus(address, "varno-client").isConnected());
    }

    void cleanupTestCase()
    {
        QDBusConnection::disconnectFromBus("varno-service");
        QDBusConnection::disconnectFromBus("varno-client");
    }

    void init()
    {
        SystemTray::SetAvailabilityOverride(false);
        Icon = std::make_unique<QSystemTrayIcon>();
        Balloons = std::make_unique<TrayNotifier>(Icon.get());
        Balloons->SetNotificationBus(QDBusConnection("varno-client"));
    }

    void cleanup()
    {
        Balloons.reset();
        Icon.reset();
        if (Service) {
            QDBusConnection service("varno-service");
            service.unregisterObject(ServicePath);
            QVERIFY(service.unregisterService(ServiceName));
            Service.reset();
        }
        SystemTray::SetAvailabilityOverride(std::nullopt);
        QTRY_COMPARE(VisiblePopups().size(), 0);
    }

    // Where a tray exists the message goes there alone. Without one it goes to
    // the notification service, and the next replaces it once the answer is in.
    void trayOrDesktopNotification()
    {
        RegisterService();
        SystemTray::SetAvailabilityOverride(true);
        Balloons->ShowMessage("提示", RestMessage, QSystemTrayIcon::Information, 10000);
        // Nothing to wait for when it works; give a wrong path the time to show.
        QTest::qWait(300);
        QCOMPARE(Service->Calls, QStringList());

        SystemTray::SetAvailabilityOverride(false);
        Balloons->ShowMessage("提示", RestMessage, QSystemTrayIcon::Information, 10000);
        QTRY_COMPARE(Service->Calls.size(), 1);
        QTest::qWait(100);
        Balloons->ShowMessage("提示", EndOfWorkMessage, QSystemTrayIcon::Information, 60000);
        QTRY_COMPARE(Service->Calls.size(), 2);
        QCOMPARE(Service->Calls,
                 QStringList({"Varno软件|0|dialog-information|提示|" + RestMessage + "|1|10000",
                              "Varno软件|41|dialog-information|提示|" + EndOfWorkMessage + "|1|60000"}));
        QCOMPARE(VisiblePopups().size(), 0);
    }

    void popupWhenNothingElseAnswers_data()
    {
        QTest::addColumn<bool>("busConnected");
        QTest::newRow("no session bus") << false;
        QTest::newRow("bus without a notification service") << true;
    }

    // At the bottom right of the screen, without taking the focus from where the
    // user is typing, replaced by the next message and gone once the balloon's
    // time is up.
    void popupWhenNothingElseAnswers()
    {
        QFETCH(bool, busConnected);
        if (!busConnected)
            Balloons->SetNotificationBus(QDBusConnection("varno-nowhere"));
        QLineEdit work;
        work.show();
        work.activateWindow();
        work.setFocus();
        QTRY_COMPARE(QGuiApplication::focusWindow(), work.windowHandle());

        Balloons->ShowMessage("提示", RestMessage, QSystemTrayIcon::Information, 400);
        QTRY_VERIFY(Balloons->Popup() && Balloons->Popup()->isVisible());
        QWidget *popup = Balloons->Popup();
        QCOMPARE(VisiblePopups(), QList<QWidget *>({popup}));
        QCOMPARE(popup->windowTitle() + '|' + Message(popup), "提示|提示|" + RestMessage);
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        const QRect shown = popup->frameGeometry();
        QVERIFY(area.contains(shown));
        QVERIFY(area.right() - shown.right() <= 16 && area.bottom() - shown.bottom() <= 16);
        QVERIFY(shown.left() > area.center().x() && shown.top() > area.center().y());
        // Let any activation the platform makes for the popup arrive.
        QTest::qWait(100);
        QCOMPARE(QGuiApplication::focusWindow(), work.windowHandle());
        QVERIFY(work.hasFocus());

        // The next message replaces it.
        const QPointer<QWidget> first = popup;
        Balloons->ShowMessage("提示", EndOfWorkMessage, QSystemTrayIcon::Information, 400);
        QTRY_VERIFY(!first);
        QCOMPARE(VisiblePopups(), QList<QWidget *>({Balloons->Popup()}));
        QCOMPARE(Message(Balloons->Popup()), "提示|" + EndOfWorkMessage);
        QTRY_VERIFY(!Balloons->Popup());
        QCOMPARE(VisiblePopups().size(), 0);
    }

    // The window hidden and no tray: the reminder's popup is the program's only
    // window, and closing it must leave the program running.
    void reminderPopupLeavesAHiddenProgramRunning()
    {
        TestKit::WindowFixture fixture;
        fixture.Start();
        TestKit::Store("IsEndWorkReminderScheduled_Variable=true;Date_EndWorkReminder_QDateEdit=2024/1/15;"
                       "Time_EndWorkReminder_QTimeEdit=9:40");
        MainWindow window;
        MainWindowProbe::ApplicationTimer(window)->stop();
        auto *notifier = dynamic_cast<TrayNotifier *>(window.BalloonNotifier());
        QVERIFY(notifier);
        notifier->SetNotificationBus(QDBusConnection("varno-nowhere"));
        MainWindowProbe::Tick(window);
        QWidget *popup = notifier->Popup();
        QVERIFY(popup && popup->isVisible() && !window.isVisible());
        QCOMPARE(Message(popup), "提示|" + EndOfWorkMessage);

        // Only the application's own loop clears a quit request again.
        QTimer::singleShot(0, popup, &QWidget::close);
        QTimer::singleShot(1500, [] { QCoreApplication::exit(1); });
        QCOMPARE(QCoreApplication::exec(), 1); // 1: not quit by the popup closing
        QVERIFY(!notifier->Popup());
        fixture.Finish();
    }

private:
    void RegisterService()
    {
        Service = std::make_unique<FakeNotifications>();
        QDBusConnection service("varno-service");
        QVERIFY(service.registerObject(ServicePath, Service.get(), QDBusConnection::ExportAllSlots));
        QVERIFY(service.registerService(ServiceName));
        QTRY_VERIFY(QDBusConnection("varno-client").interface()->isServiceRegistered(ServiceName));
    }

    // A bus of the test's own, so no notification reaches the desktop of
    // whoever runs the tests and nothing depends on their session. Its
    // configuration names no service folders: nothing is started on demand.
    TestKit::PrivateBus Bus;
    std::unique_ptr<QSystemTrayIcon> Icon;
    std::unique_ptr<TrayNotifier> Balloons;
    std::unique_ptr<FakeNotifications> Service;
};

VARNO_TEST_MAIN(TestNotifier)
#include "tst_notifier.moc"

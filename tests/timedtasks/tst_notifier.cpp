#include "app/Notifier.h"
#include "app/SystemTray.h"
#include "kit/FakeClock.h"
#include "kit/MainWindowProbe.h"
#include "kit/TestKit.h"
#include "persistence/SettingsStore.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

const QString RestMessage = QStringLiteral("休息时间到了,喝点水活动下，对身体好哦!");
const QString EndOfWorkMessage = QStringLiteral("下班时间到了,开始愉快的下班生活吧!");
const QString ServiceName = QStringLiteral("org.freedesktop.Notifications");
const QString ServicePath = QStringLiteral("/org/freedesktop/Notifications");

// A bus of the test's own, so no notification reaches the desktop of whoever
// runs the tests and nothing depends on their session.
class PrivateBus
{
public:
    ~PrivateBus() { Stop(); }

    QString Start()
    {
        if (!Folder.isValid())
            return QStringLiteral("no temporary folder");
        const QString configPath = Folder.filePath(QStringLiteral("bus.conf"));
        QFile config(configPath);
        if (!config.open(QIODevice::WriteOnly))
            return QStringLiteral("cannot write the bus configuration");
        config.write(
            QStringLiteral(
                "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                "<busconfig><type>session</type><listen>unix:dir=%1</listen>"
                "<auth>EXTERNAL</auth><policy context=\"default\">"
                "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
                "<allow own=\"*\"/></policy></busconfig>\n")
                .arg(Folder.path())
                .toUtf8());
        config.close();

        Daemon.start(QStringLiteral("dbus-daemon"),
                     {QStringLiteral("--config-file=") + configPath, QStringLiteral("--nofork"),
                      QStringLiteral("--print-address")});
        if (!Daemon.waitForStarted(5000))
            return QStringLiteral("dbus-daemon did not start (Debian package dbus): ") + Daemon.errorString();
        while (!Daemon.canReadLine()) {
            if (!Daemon.waitForReadyRead(5000))
                return QStringLiteral("dbus-daemon printed no address: ")
                    + QString::fromLocal8Bit(Daemon.readAllStandardError());
        }
        Address = QString::fromUtf8(Daemon.readLine()).trimmed();
        return QString();
    }

    void Stop()
    {
        if (Daemon.state() == QProcess::NotRunning)
            return;
        Daemon.terminate();
        if (!Daemon.waitForFinished(3000))
            Daemon.kill();
        Daemon.waitForFinished(3000);
    }

    QString Address;

private:
    QTemporaryDir Folder;
    QProcess Daemon;
};

// A notification service as desktops offer it, recording what it is asked.
class FakeNotifications : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    struct Call
    {
        QString appName;
        uint replacesId;
        QString appIcon;
        QString summary;
        QString body;
        QVariantMap hints;
        int expireTimeout;
        uint id;
    };
    QList<Call> Calls;

public slots:
    uint Notify(const QString &appName, uint replacesId, const QString &appIcon, const QString &summary,
                const QString &body, const QStringList &, const QVariantMap &hints, int expireTimeout)
    {
        const uint id = replacesId != 0 ? replacesId : NextId++;
        Calls.append({appName, replacesId, appIcon, summary, body, hints, expireTimeout, id});
        return id;
    }

private:
    uint NextId = 41;
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

// See tst_tray: only the application's own loop clears a quit request again.
bool QuitRequestedBy(const std::function<void()> &action)
{
    QTimer::singleShot(0, action);
    QTimer timeout;
    timeout.setSingleShot(true);
    QObject::connect(&timeout, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    timeout.start(1500);
    return QCoreApplication::exec() == 0;
}

} // namespace

class TestNotifier : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void trayTakesTheMessageWhereThereIsOne();
    void desktopNotificationWithoutATray();
    void popupWhenNothingElseAnswers_data();
    void popupWhenNothingElseAnswers();
    void nextMessageReplacesThePopup();
    void reminderPopupLeavesAHiddenProgramRunning();

private:
    void RegisterService();

    PrivateBus Bus;
    std::unique_ptr<QSystemTrayIcon> Icon;
    std::unique_ptr<TrayNotifier> Balloons;
    std::unique_ptr<FakeNotifications> Service;
};

void TestNotifier::initTestCase()
{
    const QString failure = Bus.Start();
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    QVERIFY(QDBusConnection::connectToBus(Bus.Address, "varno-service").isConnected());
    QVERIFY(QDBusConnection::connectToBus(Bus.Address, "varno-client").isConnected());
}

void TestNotifier::cleanupTestCase()
{
    QDBusConnection::disconnectFromBus("varno-service");
    QDBusConnection::disconnectFromBus("varno-client");
    Bus.Stop();
}

void TestNotifier::init()
{
    SystemTray::SetAvailabilityOverride(false);
    Icon = std::make_unique<QSystemTrayIcon>();
    Balloons = std::make_unique<TrayNotifier>(Icon.get());
    Balloons->SetNotificationBus(QDBusConnection("varno-client"));
}

void TestNotifier::cleanup()
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

void TestNotifier::RegisterService()
{
    Service = std::make_unique<FakeNotifications>();
    QDBusConnection service("varno-service");
    QVERIFY(service.registerObject(ServicePath, Service.get(), QDBusConnection::ExportAllSlots));
    QVERIFY(service.registerService(ServiceName));
    QTRY_VERIFY(QDBusConnection("varno-client").interface()->isServiceRegistered(ServiceName));
}

void TestNotifier::trayTakesTheMessageWhereThereIsOne()
{
    RegisterService();
    SystemTray::SetAvailabilityOverride(true);
    Balloons->ShowMessage("提示", RestMessage, QSystemTrayIcon::Information, 10000);
    // Nothing to wait for when it works; give a wrong path the time to show.
    QTest::qWait(300);
    QCOMPARE(Service->Calls.size(), 0);
    QVERIFY(!Balloons->Popup());
    QCOMPARE(VisiblePopups().size(), 0);
}

void TestNotifier::desktopNotificationWithoutATray()
{
    RegisterService();
    Balloons->ShowMessage("提示", RestMessage, QSystemTrayIcon::Information, 10000);
    QTRY_COMPARE(Service->Calls.size(), 1);
    const FakeNotifications::Call first = Service->Calls.at(0);
    QCOMPARE(first.appName, QString("Varno软件"));
    QCOMPARE(first.replacesId, 0u);
    QCOMPARE(first.appIcon, QString("dialog-information"));
    QCOMPARE(first.summary, QString("提示"));
    QCOMPARE(first.body, RestMessage);
    QCOMPARE(first.expireTimeout, 10000);
    QCOMPARE(first.hints.value("urgency").toInt(), 1);

    // Once the first answer is in, the next message replaces that notification.
    QTest::qWait(100);
    Balloons->ShowMessage("提示", EndOfWorkMessage, QSystemTrayIcon::Information, 60000);
    QTRY_COMPARE(Service->Calls.size(), 2);
    QCOMPARE(Service->Calls.at(1).replacesId, first.id);
    QCOMPARE(Service->Calls.at(1).body, EndOfWorkMessage);
    QCOMPARE(Service->Calls.at(1).expireTimeout, 60000);

    QTest::qWait(200);
    QVERIFY(!Balloons->Popup());
    QCOMPARE(VisiblePopups().size(), 0);
}

void TestNotifier::popupWhenNothingElseAnswers_data()
{
    QTest::addColumn<bool>("busConnected");
    QTest::newRow("no session bus") << false;
    QTest::newRow("bus without a notification service") << true;
}

void TestNotifier::popupWhenNothingElseAnswers()
{
    QFETCH(bool, busConnected);
    if (!busConnected)
        Balloons->SetNotificationBus(QDBusConnection("varno-nowhere"));

    // The user is typing somewhere; the popup must not take that away.
    QLineEdit work;
    work.show();
    work.activateWindow();
    work.setFocus();
    QTRY_COMPARE(QGuiApplication::focusWindow(), work.windowHandle());

    Balloons->ShowMessage("提示", RestMessage, QSystemTrayIcon::Information, 400);
    QTRY_VERIFY(Balloons->Popup() && Balloons->Popup()->isVisible());
    QWidget *popup = Balloons->Popup();
    QCOMPARE(VisiblePopups(), QList<QWidget *>({popup}));
    QCOMPARE(popup->windowTitle(), QString("提示"));
    QCOMPARE(popup->findChild<QLabel *>("BalloonTitle")->text(), QString("提示"));
    QCOMPARE(popup->findChild<QLabel *>("BalloonMessage")->text(), RestMessage);
    QVERIFY(!popup->isModal());
    QVERIFY(popup->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
    QVERIFY(popup->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QCOMPARE(popup->windowType(), Qt::Tool);
    QVERIFY(!popup->testAttribute(Qt::WA_QuitOnClose));

    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect shown = popup->frameGeometry();
    QVERIFY2(
        area.contains(shown),
        qPrintable(
            QString("%1,%2 %3x%4").arg(shown.x()).arg(shown.y()).arg(shown.width()).arg(shown.height())));
    QVERIFY(area.right() - shown.right() <= 16);
    QVERIFY(area.bottom() - shown.bottom() <= 16);
    QVERIFY(shown.left() > area.center().x());
    QVERIFY(shown.top() > area.center().y());

    // Let any activation the platform makes for the popup arrive.
    QTest::qWait(100);
    QCOMPARE(QGuiApplication::focusWindow(), work.windowHandle());
    QVERIFY(work.hasFocus());

    // It goes by itself once the balloon's time is up.
    QTRY_VERIFY(!Balloons->Popup());
    QCOMPARE(VisiblePopups().size(), 0);
}

void TestNotifier::nextMessageReplacesThePopup()
{
    Balloons->SetNotificationBus(QDBusConnection("varno-nowhere"));
    Balloons->ShowMessage("提示", RestMessage, QSystemTrayIcon::Information, 60000);
    QPointer<QWidget> first = Balloons->Popup();
    QVERIFY(first);
    Balloons->ShowMessage("提示", EndOfWorkMessage, QSystemTrayIcon::Information, 60000);
    QTRY_VERIFY(!first);
    QCOMPARE(VisiblePopups(), QList<QWidget *>({Balloons->Popup()}));
    QCOMPARE(Balloons->Popup()->findChild<QLabel *>("BalloonMessage")->text(), EndOfWorkMessage);
}

// The window hidden and no tray: the reminder's popup is the program's only
// window, and closing it must leave the program running.
void TestNotifier::reminderPopupLeavesAHiddenProgramRunning()
{
    TestKit::IsolatedSettings settings;
    TestKit::FakeClock clock(QDateTime(QDate(2024, 7, 15), QTime(17, 29, 59)));
    {
        QSettings store(SettingsStore::OrganisationName, SettingsStore::ApplicationName);
        store.setValue(SettingsStore::IsEndWorkReminderScheduledKey, "true");
        store.setValue("Date_EndWorkReminder_QDateEdit", "2024/7/15");
        store.setValue("Time_EndWorkReminder_QTimeEdit", "17:30");
    }
    MainWindow window;
    MainWindowProbe::ApplicationTimer(window)->stop();
    auto *notifier = dynamic_cast<TrayNotifier *>(window.BalloonNotifier());
    QVERIFY(notifier);
    notifier->SetNotificationBus(QDBusConnection("varno-nowhere"));

    clock.Set(QDateTime(QDate(2024, 7, 15), QTime(17, 30)));
    MainWindowProbe::Tick(window);
    QWidget *popup = notifier->Popup();
    QVERIFY(popup && popup->isVisible());
    QCOMPARE(popup->findChild<QLabel *>("BalloonMessage")->text(), EndOfWorkMessage);
    QVERIFY(!window.isVisible());

    QVERIFY(!QuitRequestedBy([popup] { popup->close(); }));
    QVERIFY(!notifier->Popup());
}

VARNO_TEST_MAIN(TestNotifier)
#include "tst_notifier.moc"

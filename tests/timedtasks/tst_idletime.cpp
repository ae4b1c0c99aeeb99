#include "kit/TestKit.h"
#include "timedtasks/IdleTime.h"

#include <QWidget>
#include <QtTest>

#ifndef Q_OS_WIN
#include "kit/PrivateBus.h"

#include <QDBusConnection>
#endif

// The platform's idle sources, once each: X11 on the xcb platform (CTest
// gives it an X server of its own) and D-Bus on a private session bus; under
// Wine GetLastInputInfo, with the pointer moved over the test's window by
// tools/windows/test.sh (Wine sees only input over its own windows).
namespace {

#ifndef Q_OS_WIN
// GNOME's idle monitor and the ScreenSaver service as desktops offer them,
// both answering in milliseconds.
class FakeIdleServices : public QObject
{
    Q_OBJECT

public slots:
    qulonglong GetIdletime() { return 700500; }
    uint GetSessionIdleTime() { return 5000; }
};
#endif

std::optional<qint64> Idle()
{
    return IdleTime::PlatformSeconds();
}

} // namespace

class TestIdleTime : public QObject
{
    Q_OBJECT

private slots:
#ifndef Q_OS_WIN
    // First: Qt connects to the session bus once, at its first use.
    void waylandAsksTheSessionBus()
    {
        TestKit::PrivateBus bus;
        const QString address = bus.Start();
        QVERIFY2(!address.isEmpty(), "dbus-daemon did not start (Debian package dbus)");
        qputenv("DBUS_SESSION_BUS_ADDRESS", address.toUtf8());
        qputenv("XDG_SESSION_TYPE", "wayland");
        QDBusConnection session = QDBusConnection::sessionBus();
        FakeIdleServices services;
        for (const QString name : {"org.gnome.Mutter.IdleMonitor", "org.freedesktop.ScreenSaver"}) {
            const QString path = name == "org.freedesktop.ScreenSaver" ? "/org/freedesktop/ScreenSaver"
                                                                       : "/org/gnome/Mutter/IdleMonitor/Core";
            QVERIFY(session.registerObject(path, name, &services, QDBusConnection::ExportAllSlots));
            QVERIFY(session.registerService(name));
        }

        QTRY_COMPARE(Idle(), std::optional<qint64>(700));
        // GNOME's gone: the other service; then none.
        QVERIFY(session.unregisterService("org.gnome.Mutter.IdleMonitor"));
        QTRY_COMPARE(Idle(), std::optional<qint64>(5));
        QVERIFY(session.unregisterService("org.freedesktop.ScreenSaver"));
        QTRY_COMPARE(Idle(), std::nullopt);
    }
#endif

    // Grows while nothing happens, and drops on input over the window.
    void inputResetsTheIdleTime()
    {
        // As after startx from a console: an X display counts.
        qputenv("XDG_SESSION_TYPE", "tty");
        QWidget probe;
        probe.setWindowTitle("VarnoSoftware idle probe");
        probe.setGeometry(40, 40, 320, 240);
        probe.show();
        QVERIFY(QTest::qWaitForWindowExposed(&probe));
        const qint64 before = Idle().value_or(-1000);
        QTest::qWait(2100);
        QVERIFY(Idle().value_or(-1) >= before + 2);
#ifndef Q_OS_WIN
        QCOMPARE(QGuiApplication::platformName(), QString("xcb"));
        QProcess::execute("xdotool", {"mousemove", "--window", QString::number(probe.winId()), "20", "20"});
#endif
        QTRY_VERIFY_WITH_TIMEOUT(Idle().value_or(-1) == 0, 30000);
    }
};

VARNO_TEST_MAIN(TestIdleTime)
#include "tst_idletime.moc"

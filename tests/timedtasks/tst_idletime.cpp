#include "kit/TestKit.h"
#include "timedtasks/IdleTime.h"

#include <QWidget>
#include <QtTest>

#ifndef Q_OS_WIN
#include "kde-idle-client-protocol.h"
#include "kit/PrivateBus.h"
#include "timedtasks/WaylandIdle.h"

#include <QDBusConnection>
#include <wayland-client.h>
#endif

// The platform's idle sources, once each: X11 on the xcb platform (CTest
// gives it an X server of its own), D-Bus on a private session bus and the
// Wayland idle protocols against KWin on a virtual screen; under Wine
// GetLastInputInfo, with the pointer moved over the test's window by
// tools/windows/test.sh (Wine sees only input over its own windows).
namespace {

#ifndef Q_OS_WIN
// KWin on a virtual screen with no input device, in a folder of its own; no
// socket when kwin_wayland (Debian package kwin-wayland) does not come up.
struct Compositor
{
    QTemporaryDir Folder;
    QProcess Kwin;
    QByteArray Socket;

    Compositor()
    {
        // The installed program carries a file capability that containers
        // often leave out of their bounding set, so starting it fails there;
        // a copy carries none.
        const QString copy = Folder.filePath("kwin_wayland");
        if (!QFile::copy(QStandardPaths::findExecutable("kwin_wayland"), copy))
            return;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS"})
            environment.remove(name);
        environment.insert("XDG_RUNTIME_DIR", Folder.path());
        environment.insert("XDG_CONFIG_HOME", Folder.path());
        environment.insert("KWIN_COMPOSE", "Q"); // no OpenGL
        Kwin.setProcessEnvironment(environment);
        Kwin.setStandardOutputFile(QProcess::nullDevice());
        Kwin.setStandardErrorFile(QProcess::nullDevice());
        Kwin.start(copy, {"--virtual", "--socket", "varno", "--no-lockscreen", "--no-global-shortcuts"});
        const QString socket = Folder.filePath("varno");
        for (int i = 0; i < 300 && !QFile::exists(socket) && Kwin.state() != QProcess::NotRunning; ++i)
            QTest::qWait(100);
        Socket = QFile::exists(socket) ? socket.toUtf8() : QByteArray();
    }

    ~Compositor()
    {
        Kwin.kill();
        Kwin.waitForFinished(5000);
    }
};

// Input as KWin's own idle protocol fakes it, on a connection of the test's.
void SimulateInput()
{
    static const wl_registry_listener listener
        = {[](void *data, wl_registry *registry, uint32_t name, const char *interface, uint32_t) {
               for (const wl_interface *wanted : {&wl_seat_interface, &org_kde_kwin_idle_interface})
                   if (QByteArray(interface) == wanted->name)
                       (*static_cast<QHash<QByteArray, void *> *>(data))[interface]
                           = wl_registry_bind(registry, name, wanted, 1);
           },
           [](void *, wl_registry *, uint32_t) {}};
    QHash<QByteArray, void *> bound;
    wl_display *display = wl_display_connect(nullptr);
    wl_registry *registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &listener, &bound);
    wl_display_roundtrip(display);
    auto *idle = static_cast<org_kde_kwin_idle *>(bound.value("org_kde_kwin_idle"));
    auto *seat = static_cast<wl_seat *>(bound.value("wl_seat"));
    QVERIFY(idle && seat);
    bound.insert("timeout", org_kde_kwin_idle_get_idle_timeout(idle, seat, 60000));
    org_kde_kwin_idle_timeout_simulate_user_activity(
        static_cast<org_kde_kwin_idle_timeout *>(bound["timeout"]));
    wl_display_roundtrip(display);
    for (void *proxy : qAsConst(bound))
        wl_proxy_destroy(static_cast<wl_proxy *>(proxy));
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
}

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
    // First: Qt connects to the session bus once, at its first use, and the
    // program to the compositor.
    void waylandSessionSources()
    {
        Compositor kwin;
        qputenv("WAYLAND_DISPLAY", kwin.Socket.isEmpty() ? "/nonexistent/varno-wayland" : kwin.Socket);
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

        // GNOME's monitor first, still once the compositor has answered; then
        // the compositor; once it is gone, the other service; then none.
        QTRY_COMPARE(Idle(), std::optional<qint64>(700));
        QTest::qWait(1000);
        QCOMPARE(Idle(), std::optional<qint64>(700));
        QVERIFY(session.unregisterService("org.gnome.Mutter.IdleMonitor"));
        if (!kwin.Socket.isEmpty()) {
            QTRY_COMPARE(Idle(), std::optional<qint64>(0));
            // Each protocol, with a short threshold: away once it has passed
            // without input, and back on input.
            for (const bool standardFirst : {true, false}) {
                IdleTime::WaylandIdle idle(2, standardFirst);
                QTRY_COMPARE(idle.Seconds(), std::optional<qint64>(0));
                QTest::qWait(1000);
                QCOMPARE(idle.Seconds(), std::optional<qint64>(0));
                QTRY_VERIFY_WITH_TIMEOUT(idle.Seconds() != std::optional<qint64>(0), 3000);
                QCOMPARE(idle.Seconds(), std::optional<qint64>(2));
                SimulateInput();
                QTRY_COMPARE(idle.Seconds(), std::optional<qint64>(0));
            }
            kwin.Kwin.kill();
        }
        QTRY_COMPARE(Idle(), std::optional<qint64>(5));
        QVERIFY(session.unregisterService("org.freedesktop.ScreenSaver"));
        QTRY_COMPARE(Idle(), std::nullopt);
        if (kwin.Socket.isEmpty())
            QSKIP("kwin_wayland (Debian package kwin-wayland) did not start: Wayland protocols unchecked");
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

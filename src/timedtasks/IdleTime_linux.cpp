#include "IdleTime.h"

#include "Countdown.h"
#include "WaylandIdle.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QX11Info>

#include <xcb/screensaver.h>

#include <cstdlib>

// The session type decides, not Qt's platform: under XWayland the X counter
// misses input to native Wayland windows, and a typing user would look away.

namespace IdleTime {
namespace {

// The MIT-SCREEN-SAVER extension's time since the last input, over the
// connection Qt has on the xcb platform, or one of its own otherwise.
class X11Source
{
public:
    X11Source()
    {
        if (QX11Info::isPlatformX11()) {
            Connection = QX11Info::connection();
            Root = QX11Info::appRootWindow();
        } else {
            int screenNumber = 0;
            OwnConnection = xcb_connect(nullptr, &screenNumber);
            if (xcb_connection_has_error(OwnConnection))
                return;
            xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(OwnConnection));
            for (; screens.rem > 0 && screenNumber > 0; --screenNumber)
                xcb_screen_next(&screens);
            if (screens.rem == 0)
                return;
            Connection = OwnConnection;
            Root = screens.data->root;
        }
        const xcb_query_extension_reply_t *extension
            = xcb_get_extension_data(Connection, &xcb_screensaver_id);
        Available = extension && extension->present;
    }

    ~X11Source()
    {
        if (OwnConnection)
            xcb_disconnect(OwnConnection);
    }

    std::optional<qint64> Seconds()
    {
        if (!Available)
            return std::nullopt;
        xcb_screensaver_query_info_reply_t *info = xcb_screensaver_query_info_reply(
            Connection, xcb_screensaver_query_info(Connection, Root), nullptr);
        if (!info)
            return std::nullopt;
        const qint64 seconds = info->ms_since_user_input / 1000;
        std::free(info);
        return seconds;
    }

private:
    xcb_connection_t *OwnConnection = nullptr;
    xcb_connection_t *Connection = nullptr;
    xcb_window_t Root = 0;
    bool Available = false;
};

// One idle-time service on the session bus, asked without waiting: the tick
// takes the latest answer, so a busy bus never holds it up. A service this
// desktop does not offer, or refuses (KDE's screen locker answers
// NotSupported on Wayland), is not asked again. Answers are milliseconds.
class DBusSource
{
public:
    explicit DBusSource(QDBusMessage call)
        : Call(std::move(call))
    { }

    std::optional<qint64> Seconds()
    {
        if (!Pending && Offered)
            Ask();
        return Latest;
    }

private:
    void Ask()
    {
        auto *watcher = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(Call, 500));
        Pending = true;
        QObject::connect(watcher, &QDBusPendingCallWatcher::finished, [this, watcher] {
            Pending = false;
            const QDBusMessage reply = watcher->reply();
            watcher->deleteLater();
            if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()) {
                Latest = qint64(reply.arguments().constFirst().toULongLong() / 1000);
                return;
            }
            Latest.reset();
            const QString error = reply.errorName();
            if (error != QLatin1String("org.freedesktop.DBus.Error.NoReply")
                && error != QLatin1String("org.freedesktop.DBus.Error.Timeout"))
                Offered = false;
        });
    }

    const QDBusMessage Call;
    bool Offered = true;
    bool Pending = false;
    std::optional<qint64> Latest;
};

// GNOME's idle monitor, then the compositor's idle protocols (Plasma, Sway,
// Hyprland), then the ScreenSaver service of other desktops: the first with
// an answer counts.
std::optional<qint64> WaylandSessionSeconds()
{
    static DBusSource mutter(QDBusMessage::createMethodCall(
        QStringLiteral("org.gnome.Mutter.IdleMonitor"), QStringLiteral("/org/gnome/Mutter/IdleMonitor/Core"),
        QStringLiteral("org.gnome.Mutter.IdleMonitor"), QStringLiteral("GetIdletime")));
    static WaylandIdle compositor(Countdown::AwayAfterSeconds);
    static DBusSource screenSaver(QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("/org/freedesktop/ScreenSaver"),
        QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("GetSessionIdleTime")));
    if (const std::optional<qint64> seconds = mutter.Seconds())
        return seconds;
    if (const std::optional<qint64> seconds = compositor.Seconds())
        return seconds;
    return screenSaver.Seconds();
}

} // namespace

// An X display counts as X11 unless the session says Wayland, so a desktop
// started with startx from a console (session type tty) is followed too.
std::optional<qint64> PlatformSeconds()
{
    const QByteArray session = qgetenv("XDG_SESSION_TYPE");
    if (session == "wayland")
        return WaylandSessionSeconds();
    if (session == "x11" || qEnvironmentVariableIsSet("DISPLAY")) {
        static X11Source x11;
        return x11.Seconds();
    }
    return std::nullopt;
}

} // namespace IdleTime

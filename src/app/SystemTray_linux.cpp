#include "SystemTray.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QPointer>
#include <QTimer>
#include <QX11Info>

#include <xcb/xcb.h>

#include <cstdlib>

// Two kinds of tray: a StatusNotifier host behind the watcher service on the
// session bus (Plasma, GNOME's AppIndicator extension, waybar; on X11 and
// Wayland alike), and on X11 a system tray that owns the selection
// _NET_SYSTEM_TRAY_S<screen> and docks XEmbed icons. Qt uses the first when
// its watcher has a host registered at the moment the first icon is made,
// the second otherwise.

namespace SystemTray {
namespace {

const QString WatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");

class LinuxTrayWatch : public QObject
{
    Q_OBJECT

public:
    explicit LinuxTrayWatch(QObject *parent)
        : QObject(parent)
    {
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (bus.isConnected()) {
            auto *services = new QDBusServiceWatcher(WatcherService, bus,
                                                     QDBusServiceWatcher::WatchForOwnerChange, this);
            connect(services, &QDBusServiceWatcher::serviceOwnerChanged, this,
                    [this](const QString &, const QString &, const QString &owner) {
                        if (owner.isEmpty())
                            SetStatusNotifier(false);
                        else
                            AskForHost();
                    });
            // A watcher whose host comes after it.
            bus.connect(WatcherService, QStringLiteral("/StatusNotifierWatcher"), WatcherService,
                        QStringLiteral("StatusNotifierHostRegistered"), this, SLOT(AskForHost()));
            AskForHost();
        }
        if (QX11Info::isPlatformX11()) {
            const QByteArray name = "_NET_SYSTEM_TRAY_S" + QByteArray::number(QX11Info::appScreen());
            xcb_connection_t *connection = QX11Info::connection();
            xcb_intern_atom_reply_t *atom = xcb_intern_atom_reply(
                connection, xcb_intern_atom(connection, false, uint16_t(name.size()), name.constData()),
                nullptr);
            if (atom) {
                TraySelection = atom->atom;
                std::free(atom);
                // A selection owner is one round trip to the X server: asked
                // every second, a tray that comes or restarts is seen at once.
                auto *poll = new QTimer(this);
                connect(poll, &QTimer::timeout, this, [this] {
                    if (AskForSelectionOwner())
                        emit Watcher().Changed();
                });
                poll->start(1000);
                AskForSelectionOwner();
            }
        }
    }

    bool IsAvailable() const { return StatusNotifier || SelectionOwner != XCB_NONE; }

private slots:
    void AskForHost()
    {
        QDBusMessage get = QDBusMessage::createMethodCall(
            WatcherService, QStringLiteral("/StatusNotifierWatcher"),
            QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
        get << WatcherService << QStringLiteral("IsStatusNotifierHostRegistered");
        auto *pending = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(get, 2000), this);
        connect(pending, &QDBusPendingCallWatcher::finished, this, [this, pending] {
            const QDBusMessage reply = pending->reply();
            pending->deleteLater();
            SetStatusNotifier(reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()
                              && reply.arguments().constFirst().value<QDBusVariant>().variant().toBool());
        });
    }

private:
    void SetStatusNotifier(bool available)
    {
        if (available == StatusNotifier)
            return;
        StatusNotifier = available;
        emit Watcher().Changed();
    }

    // Whether another tray than before owns the selection now.
    bool AskForSelectionOwner()
    {
        xcb_connection_t *connection = QX11Info::connection();
        xcb_get_selection_owner_reply_t *reply = xcb_get_selection_owner_reply(
            connection, xcb_get_selection_owner(connection, TraySelection), nullptr);
        const xcb_window_t owner = reply ? reply->owner : XCB_NONE;
        std::free(reply);
        if (owner == SelectionOwner)
            return false;
        SelectionOwner = owner;
        return true;
    }

    bool StatusNotifier = false;
    xcb_atom_t TraySelection = XCB_NONE;
    xcb_window_t SelectionOwner = XCB_NONE;
};

} // namespace

bool PlatformIsAvailable()
{
    // Made with the first question, once the application (and its X
    // connection) exists, and gone with it.
    static QPointer<LinuxTrayWatch> watch;
    if (!watch)
        watch = new LinuxTrayWatch(QCoreApplication::instance());
    return watch->IsAvailable();
}

} // namespace SystemTray

#include "SystemTray_linux.moc"

#include "DesktopNotifications.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>
#include <QVariantMap>

namespace {

// Long enough for a notification service that is being started on demand.
constexpr int NotifyCallTimeoutMs = 5000;

QString IconName(QSystemTrayIcon::MessageIcon icon)
{
    switch (icon) {
    case QSystemTrayIcon::Information:
        return QStringLiteral("dialog-information");
    case QSystemTrayIcon::Warning:
        return QStringLiteral("dialog-warning");
    case QSystemTrayIcon::Critical:
        return QStringLiteral("dialog-error");
    default:
        return QString();
    }
}

} // namespace

DesktopNotifications::DesktopNotifications()
    : PendingCalls(std::make_unique<QObject>())
{ }

DesktopNotifications::~DesktopNotifications() = default;

void DesktopNotifications::SetBus(const QDBusConnection &bus)
{
    Bus = bus;
}

bool DesktopNotifications::Send(const QString &title, const QString &message,
                                QSystemTrayIcon::MessageIcon icon, int milliseconds,
                                const std::function<void()> &onFailure)
{
    // The session bus is reached only once a message needs it, so a desktop
    // with a tray never connects to it.
    if (!Bus)
        Bus = QDBusConnection::sessionBus();
    if (!Bus->isConnected())
        return false;

    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    // Qt's own tray marks information as low urgency, which some desktops
    // never pop up; a reminder has to be seen.
    QVariantMap hints;
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue<uchar>(1));
    call << QStringLiteral("Varno软件") << LastNotificationId << IconName(icon) << title << message
         << QStringList() << hints << milliseconds;

    auto *watcher
        = new QDBusPendingCallWatcher(Bus->asyncCall(call, NotifyCallTimeoutMs), PendingCalls.get());
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, PendingCalls.get(),
                     [this, watcher, onFailure] {
                         const QDBusPendingReply<uint> reply = *watcher;
                         watcher->deleteLater();
                         if (reply.isError())
                             onFailure();
                         else
                             LastNotificationId = reply.value();
                     });
    return true;
}

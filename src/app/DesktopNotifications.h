#pragma once

#include <QDBusConnection>
#include <QString>
#include <QSystemTrayIcon>

#include <functional>
#include <memory>
#include <optional>

// The freedesktop notification service on the session bus, for desktops
// without a tray. Each notification replaces the one sent before it.
class DesktopNotifications
{
public:
    DesktopNotifications();
    ~DesktopNotifications();

    // The session bus unless set; tests point it at a private bus.
    void SetBus(const QDBusConnection &bus);

    // Sent without waiting: the tick must not stall on the bus. False when
    // there is no bus to send over; otherwise onFailure runs if no service
    // answers, which a bus without one does at once.
    bool Send(const QString &title, const QString &message, QSystemTrayIcon::MessageIcon icon,
              int milliseconds, const std::function<void()> &onFailure);

private:
    std::optional<QDBusConnection> Bus;
    uint LastNotificationId = 0;
    // Parent of the pending calls, so that none answers into an object that
    // is gone.
    std::unique_ptr<QObject> PendingCalls;
};

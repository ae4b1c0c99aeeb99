#include "timedtasks/PowerOff.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusMessage>

// logind powers the machine off on request of the logged-in user; the
// argument true lets it ask for authorisation interactively where needed.
bool PowerOffSystem()
{
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected())
        return false;
    QDBusInterface manager(QStringLiteral("org.freedesktop.login1"),
                           QStringLiteral("/org/freedesktop/login1"),
                           QStringLiteral("org.freedesktop.login1.Manager"), bus);
    if (!manager.isValid())
        return false;
    const QDBusMessage reply = manager.call(QStringLiteral("PowerOff"), true);
    return reply.type() == QDBusMessage::ReplyMessage;
}

#include "Logind.h"

#include <QDBusConnection>
#include <QDBusMessage>

namespace Logind {
namespace {

QDBusMessage Call(const QDBusConnection &bus, const QString &method, const QVariantList &arguments)
{
    QDBusMessage message = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), method);
    message.setArguments(arguments);
    return bus.call(message);
}

} // namespace

bool Request(const QDBusConnection &bus, PowerAction action)
{
    if (!bus.isConnected())
        return false;
    const char *method = action == PowerAction::Restart ? "Reboot"
        : action == PowerAction::Sleep                  ? "Suspend"
                                                        : "PowerOff";
    return Call(bus, QString::fromLatin1(method), {true}).type() == QDBusMessage::ReplyMessage;
}

bool CanSuspend(const QDBusConnection &bus)
{
    if (!bus.isConnected())
        return false;
    const QDBusMessage reply = Call(bus, QStringLiteral("CanSuspend"), {});
    return reply.type() == QDBusMessage::ReplyMessage
        && reply.arguments().value(0).toString() == QLatin1String("yes");
}

} // namespace Logind

#include "timedtasks/PowerOff.h"

#include "timedtasks/Logind.h"

#include <QDBusConnection>

bool PowerOffSystem()
{
    return Logind::Request(QDBusConnection::systemBus(), PowerAction::PowerOff);
}

bool RestartSystem()
{
    return Logind::Request(QDBusConnection::systemBus(), PowerAction::Restart);
}

bool SleepSystem()
{
    return Logind::Request(QDBusConnection::systemBus(), PowerAction::Sleep);
}

bool SleepAllowed()
{
    return Logind::CanSuspend(QDBusConnection::systemBus());
}

#include "SystemTray.h"

#include <QSystemTrayIcon>

// The notification area is part of the shell, and Qt shows its icon again
// by itself when Explorer restarts.
bool SystemTray::PlatformIsAvailable()
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

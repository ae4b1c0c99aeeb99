#include "SystemTray.h"

#include <QSystemTrayIcon>

namespace SystemTray {
namespace {
std::optional<bool> AvailabilityOverride;
}

bool IsAvailable()
{
    if (AvailabilityOverride)
        return *AvailabilityOverride;
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void SetAvailabilityOverride(std::optional<bool> available)
{
    AvailabilityOverride = available;
}

} // namespace SystemTray

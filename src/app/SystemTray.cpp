#include "SystemTray.h"

namespace SystemTray {
namespace {
std::optional<bool> AvailabilityOverride;
}

bool IsAvailable()
{
    if (AvailabilityOverride)
        return *AvailabilityOverride;
    return PlatformIsAvailable();
}

Watch &Watcher()
{
    static Watch watch;
    return watch;
}

void SetAvailabilityOverride(std::optional<bool> available)
{
    AvailabilityOverride = available;
    emit Watcher().Changed();
}

} // namespace SystemTray

#pragma once

#include <optional>

// Qt reports a tray icon as visible even on a desktop that has no tray, so
// decisions that depend on a reachable tray ask this instead. Tests pin the
// answer to exercise both kinds of desktop on the offscreen platform.
namespace SystemTray {

bool IsAvailable();
void SetAvailabilityOverride(std::optional<bool> available);

} // namespace SystemTray

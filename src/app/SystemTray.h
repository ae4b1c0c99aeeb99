#pragma once

#include <QObject>

#include <optional>

// Whether a tray the program's icon can sit in is there now, and word when
// one comes or goes. Qt reports a tray icon as visible even on a desktop
// that has no tray, and on Linux it decides once per process, when the first
// tray icon is made, whether a StatusNotifier tray exists: a panel that
// comes up a few seconds after the program (as at sign-in) would never get
// the icon. So the tray is watched here without asking Qt, and the icon is
// made only once a tray is there. Tests pin the answer to exercise both
// kinds of desktop on the offscreen platform.
namespace SystemTray {

class Watch : public QObject
{
    Q_OBJECT

signals:
    // A tray came or went, or another one took its place.
    void Changed();
};

bool IsAvailable();
Watch &Watcher();
void SetAvailabilityOverride(std::optional<bool> available);

// The platform's own reading (SystemTray_linux.cpp, SystemTray_windows.cpp).
// It emits Changed on the watcher when it changes.
bool PlatformIsAvailable();

} // namespace SystemTray

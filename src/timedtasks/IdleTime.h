#pragma once

#include <QtGlobal>

#include <functional>
#include <optional>

// Seconds since the last keyboard or pointer input in the user's desktop
// session, read on every tick; none where nothing tells it. One source per
// platform (IdleTime_linux.cpp, IdleTime_windows.cpp); tests and simulations
// put their own in its place.
namespace IdleTime {

// Asked whether the rest reminder is armed or not, so a return right after
// arming is seen. A source that costs a round trip to another process (D-Bus)
// gives its latest answer and never waits.
std::optional<qint64> Seconds();

// Replaces the platform's source; an empty function brings it back.
void SetSource(std::function<std::optional<qint64>()> source);

// The platform's own source.
std::optional<qint64> PlatformSeconds();

} // namespace IdleTime

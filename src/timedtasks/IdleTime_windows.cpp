#include "IdleTime.h"

#include <windows.h>

namespace IdleTime {

std::optional<qint64> PlatformSeconds()
{
    LASTINPUTINFO lastInput = {};
    lastInput.cbSize = sizeof lastInput;
    if (!::GetLastInputInfo(&lastInput))
        return std::nullopt;
    // Both counts wrap after 49.7 days; their difference in DWORD arithmetic
    // stays right across the wrap.
    const DWORD idleMilliseconds = ::GetTickCount() - lastInput.dwTime;
    return qint64(idleMilliseconds / 1000);
}

} // namespace IdleTime

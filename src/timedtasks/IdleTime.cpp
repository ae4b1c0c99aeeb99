#include "IdleTime.h"

namespace IdleTime {
namespace {
std::function<std::optional<qint64>(bool)> Source;
}

std::optional<qint64> Seconds(bool armed)
{
    return Source ? Source(armed) : PlatformSeconds(armed);
}

void SetSource(std::function<std::optional<qint64>(bool armed)> source)
{
    Source = std::move(source);
}

} // namespace IdleTime

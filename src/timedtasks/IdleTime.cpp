#include "IdleTime.h"

namespace IdleTime {
namespace {
std::function<std::optional<qint64>()> Source;
}

std::optional<qint64> Seconds()
{
    return Source ? Source() : PlatformSeconds();
}

void SetSource(std::function<std::optional<qint64>()> source)
{
    Source = std::move(source);
}

} // namespace IdleTime

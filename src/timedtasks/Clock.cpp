#include "Clock.h"

namespace Clock {
namespace {
std::function<QDateTime()> Source;
}

QDateTime Now()
{
    return Source ? Source() : QDateTime::currentDateTime();
}

void SetSource(std::function<QDateTime()> source)
{
    Source = std::move(source);
}

} // namespace Clock

#pragma once

#include <QDateTime>

#include <functional>

// Every timed decision of the program takes "now" from here, so tests and
// simulations can put the program at any moment of any day.
namespace Clock {

// The current local date and time.
QDateTime Now();

// Replaces the source of Now(); an empty function brings the real clock back.
void SetSource(std::function<QDateTime()> source);

} // namespace Clock

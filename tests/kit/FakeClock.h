#pragma once

#include "timedtasks/Clock.h"

#include <QDateTime>

namespace TestKit {

// Puts the program at a chosen local moment for as long as it lives; the
// real clock comes back when it goes.
class FakeClock
{
public:
    explicit FakeClock(const QDateTime &start = QDateTime(QDate(2024, 1, 15), QTime(9, 0)))
        : Current(start)
    {
        Clock::SetSource([this] { return Current; });
    }
    ~FakeClock() { Clock::SetSource({}); }
    FakeClock(const FakeClock &) = delete;
    FakeClock &operator=(const FakeClock &) = delete;

    void Set(const QDateTime &moment) { Current = moment; }
    void Advance(qint64 milliseconds) { Current = Current.addMSecs(milliseconds); }
    QDateTime Now() const { return Current; }

private:
    QDateTime Current;
};

} // namespace TestKit

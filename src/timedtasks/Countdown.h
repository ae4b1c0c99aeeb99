#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>

#include "timedtasks/PowerOff.h"

#include <optional>

// What the one-second tick shows and whether a task is due, decided from the
// current moment and the values on the page alone, so every countdown and
// every firing window can be checked at exact moments.
namespace Countdown {

// A signed number of seconds split by truncating division: the parts carry
// the sign of the whole (-90 s is 0 h, -1 min, -30 s).
struct Parts
{
    qint64 hours = 0;
    qint64 minutes = 0;
    qint64 seconds = 0;
};
Parts Split(qint64 seconds);

struct Outcome
{
    QString label;
    bool fire = false;
};

// One-off: the moment (date, time), due from it to 5 s after it. Every day:
// the time of day, due from it to 5 s after it on any day. The label names
// the action.
Outcome Shutdown(const QDateTime &now, const QDate &date, const QTime &time, bool everyDay,
                 PowerAction action = PowerAction::PowerOff);

// As the shutdown, with a 3 s window. A moment that has passed counts down to
// the same time on the next day; a one-off moment a day or more ago says so
// instead of showing numbers nobody can use.
Outcome EndOfWork(const QDateTime &now, const QDate &date, const QTime &time, bool everyDay);

// What the warning's buttons changed about the armed task, as moments, so
// they outlive a restart and lapse by themselves once their run has passed.
// Each holds for the run it names only: editing the page's moment starts
// afresh.
struct ShutdownChanges
{
    QDateTime skipped; // the run left out
    QDateTime postponedFrom; // the run moved...
    QDateTime postponedTo; // ...and when it comes instead
};

// The run the tick is about: the one-off moment, or the daily time's run
// that has not yet passed its window (at most 5 s ago), moved or left out as
// the changes say. target is when it comes.
struct ShutdownRun
{
    QDateTime occurrence;
    QDateTime target;
    bool skipped = false;
    bool postponed = false;
};
ShutdownRun CurrentShutdownRun(const QDateTime &now, const QDate &date, const QTime &time, bool everyDay,
                               const ShutdownChanges &changes);

constexpr qint64 PostponeSeconds = 10 * 60;
// Ten minutes after the run's present target, pressed again as often as
// wanted.
ShutdownChanges Postpone(const ShutdownRun &run);
// Today's run of a daily task is left out; the next day's comes as armed.
ShutdownChanges Skip(const ShutdownRun &run);

// The label and the firing window of the run: the page's own countdown
// unless it was moved or left out.
Outcome ShutdownRunOutcome(const QDateTime &now, const QDate &date, const QTime &time, bool everyDay,
                           const ShutdownRun &run, PowerAction action);

// A forced shutdown closes programs without saving, so the person at the
// keyboard is warned once per run (its target), on the first tick with 1 to
// 60 seconds left. lastWarned is the target warned last; the result carries
// it on.
constexpr qint64 WarningSeconds = 60;
struct ShutdownWarning
{
    bool warn = false;
    qint64 seconds = 0; // left until the target, when warning
    QDateTime lastWarned;
};
ShutdownWarning WarnBeforeShutdown(const QDateTime &now, const ShutdownRun &run, const QDateTime &lastWarned);
QString ShutdownWarningText(qint64 seconds, PowerAction action = PowerAction::PowerOff);
// The warning window's line.
QString WarningWindowText(qint64 seconds, PowerAction action);

// Whether the person is at the computer, carried from one tick to the next.
struct Presence
{
    bool away = false;
    QDateTime lastTick; // invalid before the first tick
};

// Ten minutes without keyboard or pointer input count as a rest, as do ten
// minutes between two ticks (the machine slept, and some idle counters stop
// while it does).
constexpr qint64 AwayAfterSeconds = 600;

struct RestOutcome
{
    bool skip = false; // no interval chosen: leave label and state alone
    bool fire = false; // show the balloon and count from this hour on
    int lastRestHour = 0; // the hour counted from after this tick
    Presence presence; // for the next tick
    QString label; // null when the label keeps the previous tick's text
};

// Hours are counted round the clock from lastRestHour: the reminder is due on
// the first full hour (second 0 to 2) at least `interval` hours after it, so a
// reminder armed late, shortened or whose hour was missed comes at the next
// full hour instead of never. The interval is clamped to 1 to 23 hours.
RestOutcome Rest(const QDateTime &now, int lastRestHour, const QString &intervalText);

// The same, counting only time at the desk. idleSeconds is the time since
// the last keyboard or pointer input, none where nothing tells it (then the
// rule above holds unchanged). Due while the person is away, no balloon
// comes: being away is the rest. On the first tick with input after being
// away, the hours count again from the full hour nearest to the moment of
// return, so the next balloon comes half an hour either side of `interval`
// hours later. A tick without a reading leaves presence as it was. Presence
// is followed whether the reminder is armed or not; only an armed one is due.
RestOutcome RestAtDesk(const QDateTime &now, int lastRestHour, const Presence &presence,
                       const QString &intervalText, std::optional<qint64> idleSeconds, bool armed);

QString ShutdownNotSetText();
QString EndOfWorkNotSetText();
QString RestNotSetText();

// The moment a countdown of that many minutes from now ends, on a whole
// minute (rounded up), as the page's time edit shows minutes only.
QDateTime DelayTarget(const QDateTime &now, int minutes);

} // namespace Countdown

#include "Countdown.h"

#include <QCoreApplication>
#include <QLocale>

#include <algorithm>
#include <limits>

namespace Countdown {
namespace {

constexpr qint64 MillisecondsPerDay = 24 * 60 * 60 * 1000;
constexpr qint64 SecondsPerDay = 24 * 60 * 60;
constexpr qint64 ShutdownWindowMs = 5000;
constexpr qint64 EndOfWorkWindowMs = 3000;

// The C locale keeps the digits Western whatever the user's locale is.
QString MomentText(const QDateTime &moment)
{
    return QLocale::c().toString(moment, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString TimeOfDayText(const QTime &time)
{
    return QLocale::c().toString(time, QStringLiteral("HH:mm:ss"));
}

QString FillParts(const QString &format, const Parts &parts)
{
    return format.arg(QString::number(parts.hours), QString::number(parts.minutes),
                      QString::number(parts.seconds));
}

// A daily time is due on the ticks from it to windowMs after it; measured
// round the clock, so a time in the last seconds of the day still fires
// just after midnight.
bool InDailyWindow(const QTime &now, const QTime &target, qint64 windowMs)
{
    qint64 since = target.msecsTo(now);
    if (since < 0)
        since += MillisecondsPerDay;
    return since <= windowMs;
}

bool InOneOffWindow(const QDateTime &now, const QDateTime &target, qint64 windowMs)
{
    return now >= target && target.addMSecs(windowMs) >= now;
}

// A moment that has passed is shown as the time left until it comes round
// again the next day.
Parts NextDay(const Parts &passed)
{
    return {23 + passed.hours, 59 + passed.minutes, 59 + passed.seconds};
}

bool IsDigitsOnly(const QString &text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) {
        return c >= QLatin1Char('0') && c <= QLatin1Char('9');
    });
}

} // namespace

Parts Split(qint64 seconds)
{
    return {seconds / 3600, (seconds % 3600) / 60, seconds % 60};
}

namespace {

// The texts are written for power-off; the other actions name their own.
QString ForAction(QString text, PowerAction action)
{
    if (action == PowerAction::Restart)
        text.replace(QStringLiteral("关机"), QStringLiteral("重启"));
    else if (action == PowerAction::Sleep)
        text.replace(QStringLiteral("关机"), QStringLiteral("睡眠"));
    return text;
}

QString Translated(const char *text, PowerAction action)
{
    return ForAction(QCoreApplication::translate("MainWindow", text), action);
}

} // namespace

Outcome Shutdown(const QDateTime &now, const QDate &date, const QTime &time, bool everyDay,
                 PowerAction action)
{
    const QString remaining = Translated("距离关机还有 %1小时 %2分钟 %3秒", action);
    if (everyDay) {
        const qint64 left = now.time().secsTo(time);
        return {Translated("电脑将在每天 %1 关机,", action).arg(TimeOfDayText(time))
                    + FillParts(remaining, Split(left)),
                InDailyWindow(now.time(), time, ShutdownWindowMs)};
    }
    const QDateTime target(date, time);
    const qint64 left = now.secsTo(target);
    return {Translated("电脑将在 %1 关机,", action).arg(MomentText(target))
                + FillParts(remaining, Split(left)),
            InOneOffWindow(now, target, ShutdownWindowMs)};
}

ShutdownRun CurrentShutdownRun(const QDateTime &now, const QDate &date, const QTime &time, bool everyDay,
                               const ShutdownChanges &changes)
{
    ShutdownRun run;
    run.occurrence = QDateTime(date, time);
    if (everyDay) {
        // Yesterday's run is still the run in the first seconds after
        // midnight, when its window reaches past it.
        for (int day = -1; day <= 1; ++day) {
            run.occurrence = QDateTime(now.date().addDays(day), time);
            if (run.occurrence.addMSecs(ShutdownWindowMs) >= now)
                break;
        }
        // A daily run moved past the next one's start stays the run until
        // its new window has passed.
        if (changes.postponedFrom.isValid() && changes.postponedFrom.time() == time
            && changes.postponedTo.addMSecs(ShutdownWindowMs) >= now && changes.postponedFrom <= now)
            run.occurrence = changes.postponedFrom;
    }
    run.target = run.occurrence;
    run.postponed = changes.postponedFrom.isValid() && changes.postponedFrom == run.occurrence;
    if (run.postponed)
        run.target = changes.postponedTo;
    run.skipped = !run.postponed && changes.skipped.isValid() && changes.skipped == run.occurrence;
    return run;
}

ShutdownChanges Postpone(const ShutdownRun &run)
{
    return {QDateTime(), run.occurrence, run.target.addSecs(PostponeSeconds)};
}

ShutdownChanges Skip(const ShutdownRun &run)
{
    return {run.occurrence, QDateTime(), QDateTime()};
}

Outcome ShutdownRunOutcome(const QDateTime &now, const QDate &date, const QTime &time, bool everyDay,
                           const ShutdownRun &run, PowerAction action)
{
    if (run.skipped) {
        const QString head = everyDay ? Translated("电脑将在每天 %1 关机,", action).arg(TimeOfDayText(time))
                                      : Translated("电脑将在 %1 关机,", action).arg(MomentText(run.target));
        return {head + QCoreApplication::translate("MainWindow", "本次已跳过"), false};
    }
    if (run.postponed) {
        return {Translated("电脑将在 %1 关机(已推迟),", action).arg(MomentText(run.target))
                    + FillParts(Translated("距离关机还有 %1小时 %2分钟 %3秒", action),
                                Split(now.secsTo(run.target))),
                InOneOffWindow(now, run.target, ShutdownWindowMs)};
    }
    return Shutdown(now, date, time, everyDay, action);
}

ShutdownWarning WarnBeforeShutdown(const QDateTime &now, const ShutdownRun &run, const QDateTime &lastWarned)
{
    const qint64 left = now.secsTo(run.target);
    if (run.skipped || left < 1 || left > WarningSeconds || run.target == lastWarned)
        return {false, 0, lastWarned};
    return {true, left, run.target};
}

QString ShutdownWarningText(qint64 seconds, PowerAction action)
{
    return ForAction(QStringLiteral("电脑将在%1秒后关机,请保存好您的工作!"), action).arg(seconds);
}

QString WarningWindowText(qint64 seconds, PowerAction action)
{
    return ForAction(QStringLiteral("将在 %1 秒后关机"), action).arg(seconds);
}

Outcome EndOfWork(const QDateTime &now, const QDate &date, const QTime &time, bool everyDay)
{
    const QString head = QCoreApplication::translate("MainWindow", "您的下班时间是: %1,");
    const QString remaining
        = QCoreApplication::translate("MainWindow", "距离下班时间还有 %1小时 %2分钟 %3秒");
    if (everyDay) {
        const Parts left = Split(now.time().secsTo(time));
        const bool passed = now.time() > time;
        return {head.arg(TimeOfDayText(time)) + FillParts(remaining, passed ? NextDay(left) : left),
                InDailyWindow(now.time(), time, EndOfWorkWindowMs)};
    }
    const QDateTime target(date, time);
    const qint64 left = now.secsTo(target);
    const bool passed = target < now;
    QString tail;
    if (passed && -left >= SecondsPerDay)
        tail = QCoreApplication::translate("MainWindow", "下班时间已过");
    else
        tail = FillParts(remaining, passed ? NextDay(Split(left)) : Split(left));
    return {head.arg(MomentText(target)) + tail, InOneOffWindow(now, target, EndOfWorkWindowMs)};
}

namespace {

// The chosen interval in hours, clamped to 1 to 23; 0 when none is chosen.
int RestInterval(const QString &intervalText)
{
    if (intervalText.isEmpty())
        return 0;
    // Only a hand-edited store offers anything but 1 to 4. Zero hours would
    // repeat the balloon on every tick of every full hour, a day or more
    // would never come round on the clock.
    bool readable = false;
    qulonglong hours = intervalText.toULongLong(&readable);
    if (!readable && IsDigitsOnly(intervalText.trimmed()))
        hours = std::numeric_limits<qulonglong>::max(); // too many digits to read: more than a day
    return static_cast<int>(std::clamp<qulonglong>(hours, 1, 23));
}

int HoursSinceRest(int hour, int lastRestHour)
{
    return ((hour - lastRestHour) % 24 + 24) % 24;
}

// The countdown to the next full hour that is due; one of the coming 24
// always is.
QString RestLabel(const QDateTime &now, int lastRestHour, int interval)
{
    const QTime clock = now.time();
    QDateTime next;
    for (int ahead = 1; ahead <= 24; ++ahead) {
        const int hour = (clock.hour() + ahead) % 24;
        if (HoursSinceRest(hour, lastRestHour) >= interval) {
            const QDate day = now.date().addDays((clock.hour() + ahead) / 24);
            next = QDateTime(day, QTime(hour, 0));
            break;
        }
    }
    const qint64 left = std::max<qint64>(0, now.secsTo(next));
    return FillParts(QCoreApplication::translate("MainWindow", "距离下次休息时间还有 %1小时 %2分钟 %3秒"),
                     Split(left));
}

} // namespace

RestOutcome Rest(const QDateTime &now, int lastRestHour, const QString &intervalText)
{
    RestOutcome outcome;
    outcome.lastRestHour = lastRestHour;
    const int interval = RestInterval(intervalText);
    if (interval == 0) {
        outcome.skip = true;
        return outcome;
    }
    const QTime clock = now.time();
    if (clock.minute() == 0 && clock.second() <= 2
        && HoursSinceRest(clock.hour(), lastRestHour) >= interval) {
        outcome.fire = true;
        outcome.lastRestHour = clock.hour();
        return outcome;
    }
    outcome.label = RestLabel(now, lastRestHour, interval);
    return outcome;
}

RestOutcome RestAtDesk(const QDateTime &now, int lastRestHour, const Presence &presence,
                       const QString &intervalText, std::optional<qint64> idleSeconds, bool armed)
{
    // A tick without a reading (a query still under way, or one that timed
    // out) knows nothing new: whoever was away stays away until a reading
    // says they are back.
    Presence next;
    next.away = presence.away;
    next.lastTick = now;
    if (idleSeconds) {
        const bool slept = presence.lastTick.isValid() && presence.lastTick.secsTo(now) >= AwayAfterSeconds;
        const bool awayNow = *idleSeconds >= AwayAfterSeconds;
        const bool back = (presence.away || slept) && !awayNow;
        next.away = !back && (presence.away || slept || awayNow);
        if (back) {
            // Counted again from the full hour nearest to the input that
            // ended the absence; half past rounds up.
            const QTime returned = now.addSecs(-*idleSeconds).time();
            lastRestHour = (returned.hour() + (returned.minute() >= 30 ? 1 : 0)) % 24;
        }
    }
    RestOutcome outcome;
    if (armed) {
        // Coming back wins over a balloon due on the same tick by itself: the
        // input came within ten minutes, so the hours count from this one.
        outcome = Rest(now, lastRestHour, intervalText);
        // Due while away: not shown, being away was the rest.
        if (outcome.fire && next.away) {
            outcome.fire = false;
            outcome.label = RestLabel(now, outcome.lastRestHour, RestInterval(intervalText));
        }
    } else {
        outcome.lastRestHour = lastRestHour;
    }
    outcome.presence = next;
    return outcome;
}

QString ShutdownNotSetText()
{
    return QStringLiteral("关机时间未设置!");
}

QString EndOfWorkNotSetText()
{
    return QStringLiteral("下班时间提醒未设置!");
}

QString RestNotSetText()
{
    return QStringLiteral("休息时间提醒未设置!");
}

QDateTime DelayTarget(const QDateTime &now, int minutes)
{
    const QDateTime later = now.addSecs(qint64(minutes) * 60);
    const QDateTime whole(later.date(), QTime(later.time().hour(), later.time().minute()));
    return whole < later ? whole.addSecs(60) : whole;
}

} // namespace Countdown

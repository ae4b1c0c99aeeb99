#include "kit/TestKit.h"
#include "timedtasks/Countdown.h"

#include <QtTest>

// Dates are mid-January and mid-July, away from any daylight-saving change,
// and every moment is a local date and time, so the rows hold in any zone.
namespace {

QDateTime At(int month, int day, int hour, int minute, int second = 0, int ms = 0)
{
    return QDateTime(QDate(2024, month, day), QTime(hour, minute, second, ms));
}

} // namespace

class TestCountdown : public QObject
{
    Q_OBJECT

private slots:
    void shutdownAndEndOfWork_data()
    {
        QTest::addColumn<bool>("endOfWork");
        QTest::addColumn<bool>("everyDay");
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QDateTime>("target"); // in every-day mode only its time counts
        QTest::addColumn<QString>("label");
        QTest::addColumn<bool>("fire");

        // Shutdown, one-off: due from the target to 5 s after it.
        const QDateTime shutdown = At(1, 15, 10, 2, 5);
        const QString once = "电脑将在 2024-01-15 10:02:05 关机,距离关机还有 ";
        const auto off = [&](const char *name, const QDateTime &now, const char *left, bool fire) {
            QTest::newRow(name) << false << false << now << shutdown << once + left << fire;
        };
        off("1 h 2 min 5 s ahead", At(1, 15, 9, 0), "1小时 2分钟 5秒", false);
        off("90 s past: no firing", At(1, 15, 10, 3, 35), "0小时 -1分钟 -30秒", false);
        off("a millisecond early", At(1, 15, 10, 2, 4, 999), "0小时 0分钟 0秒", false);
        off("at the moment", shutdown, "0小时 0分钟 0秒", true);
        off("5 s after, the last of the window", At(1, 15, 10, 2, 10), "0小时 0分钟 -5秒", true);
        off("just past the window", At(1, 15, 10, 2, 10, 1), "0小时 0分钟 -5秒", false);

        // Shutdown, every day: the same window on any day; passed today counts below zero.
        const QDateTime six = At(7, 1, 18, 0); // an old date: it plays no part
        const QString daily = "电脑将在每天 18:00:00 关机,距离关机还有 ";
        const auto everyDay
            = [&](const char *name, const QDateTime &now, const QDateTime &target, const QString &label,
                  bool fire) { QTest::newRow(name) << false << true << now << target << label << fire; };
        everyDay("daily, just before", At(7, 15, 17, 59, 59, 999), six, daily + "0小时 0分钟 1秒", false);
        everyDay("daily, end of the window", At(7, 15, 18, 0, 5), six, daily + "0小时 0分钟 -5秒", true);
        everyDay("daily, past the window", At(7, 15, 18, 0, 5, 1), six, daily + "0小时 0分钟 -5秒", false);
        everyDay("daily, passed today", At(7, 15, 19, 0), six, daily + "-1小时 0分钟 0秒", false);
        const QString late = "电脑将在每天 23:59:58 关机,距离关机还有 ";
        everyDay("daily, window running past midnight", At(7, 16, 0, 0, 2), At(7, 1, 23, 59, 58),
                 late + "23小时 59分钟 56秒", true);
        everyDay("daily, past that window", At(7, 16, 0, 0, 4), At(7, 1, 23, 59, 58),
                 late + "23小时 59分钟 54秒", false);

        // End of work: a 3 s window; a passed time counts to the same time the
        // next day, a one-off moment a day or more ago says so instead.
        const QDateTime evening = At(7, 15, 17, 30);
        const QString head = "您的下班时间是: 2024-07-15 17:30:00,距离下班时间还有 ";
        const QString dailyHead = "您的下班时间是: 17:30:00,距离下班时间还有 ";
        const auto work
            = [&](const char *name, bool everyDay, const QDateTime &now, const QString &label, bool fire) {
                  QTest::newRow(name) << true << everyDay << now << evening << label << fire;
              };
        work("daily, 90 s past: 23, 58, 29", true, At(7, 16, 17, 31, 30), dailyHead + "23小时 58分钟 29秒",
             false);
        work("daily, a millisecond past", true, At(7, 16, 17, 30, 0, 1), dailyHead + "23小时 59分钟 59秒",
             true);
        work("daily, 3 s after", true, At(7, 16, 17, 30, 3), dailyHead + "23小时 59分钟 56秒", true);
        work("daily, past the window", true, At(7, 16, 17, 30, 3, 1), dailyHead + "23小时 59分钟 56秒",
             false);
        work("one-off, at the moment", false, evening, head + "0小时 0分钟 0秒", true);
        work("one-off, 3 s after", false, At(7, 15, 17, 30, 3), head + "23小时 59分钟 56秒", true);
        work("one-off, past the window", false, At(7, 15, 17, 30, 3, 1), head + "23小时 59分钟 56秒", false);
        work("one-off, a second short of a day past", false, At(7, 16, 17, 29, 59), head + "0小时 0分钟 0秒",
             false);
        work("one-off, a day past", false, At(7, 16, 17, 30),
             "您的下班时间是: 2024-07-15 17:30:00,下班时间已过", false);
    }

    void shutdownAndEndOfWork()
    {
        QFETCH(bool, endOfWork);
        QFETCH(bool, everyDay);
        QFETCH(QDateTime, now);
        QFETCH(QDateTime, target);
        QFETCH(QString, label);
        QFETCH(bool, fire);
        const Countdown::Outcome outcome = endOfWork
            ? Countdown::EndOfWork(now, target.date(), target.time(), everyDay)
            : Countdown::Shutdown(now, target.date(), target.time(), everyDay);
        QCOMPARE(outcome.label, label);
        QCOMPARE(outcome.fire, fire);
    }

    void warningButtons_data()
    {
        QTest::addColumn<bool>("everyDay");
        QTest::addColumn<QDateTime>("target"); // in every-day mode only its time counts
        QTest::addColumn<QString>("pressed"); // "P" postpone, "S" skip, each a minute after the last
        QTest::addColumn<QDateTime>("pressedFrom");
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QString>("expected"); // label | fire | seconds warned

        const QDateTime ten = At(1, 15, 22, 0);
        const QString moved = "电脑将在 2024-01-15 22:%1:00 关机(已推迟),距离关机还有 0小时 %2分钟 %3秒|";
        const QDateTime before = At(1, 15, 21, 58, 30);
        QTest::newRow("once, postponed: not at its moment")
            << false << ten << "P" << before << ten << moved.arg(10).arg(10).arg(0) + "0|0";
        QTest::newRow("once, postponed twice")
            << false << ten << "PP" << before << At(1, 15, 22, 19) << moved.arg(20).arg(1).arg(0) + "0|60";
        QTest::newRow("daily, postponed: not in today's window")
            << true << ten << "P" << before << At(1, 15, 22, 0, 3) << moved.arg(10).arg(9).arg(57) + "0|0";
        QTest::newRow("daily, postponed: warned before the new moment")
            << true << ten << "P" << before << At(1, 15, 22, 9, 10) << moved.arg(10).arg(0).arg(50) + "0|50";
        QTest::newRow("daily, postponed: tomorrow as armed")
            << true << ten << "P" << before << At(1, 16, 22, 0, 1)
            << "电脑将在每天 22:00:00 关机,距离关机还有 0小时 0分钟 -1秒|1|0";
        QTest::newRow("daily, postponed across midnight")
            << true << At(1, 1, 23, 55) << "P" << At(1, 15, 23, 54, 30) << At(1, 16, 0, 5)
            << "电脑将在 2024-01-16 00:05:00 关机(已推迟),距离关机还有 0小时 0分钟 0秒|1|0";
        const QString skipped = "电脑将在每天 22:00:00 关机,本次已跳过|0|0";
        QTest::newRow("daily, skipped: no warning")
            << true << ten << "S" << At(1, 15, 21, 57) << At(1, 15, 21, 59, 30) << skipped;
        // Its window reaches past midnight, and so does the skip.
        QTest::newRow("daily, skipped just before midnight")
            << true << At(1, 1, 23, 59, 58) << "S" << At(1, 15, 23, 59, 30) << At(1, 16, 0, 0, 1)
            << "电脑将在每天 23:59:58 关机,本次已跳过|0|0";
    }

    // The warning's buttons change one run only, and each change lapses when
    // its run has passed.
    void warningButtons()
    {
        QFETCH(bool, everyDay);
        QFETCH(QDateTime, target);
        QFETCH(QString, pressed);
        QFETCH(QDateTime, pressedFrom);
        QFETCH(QDateTime, now);
        QFETCH(QString, expected);
        Countdown::ShutdownChanges changes;
        const auto runAt = [&](const QDateTime &moment) {
            return Countdown::CurrentShutdownRun(moment, target.date(), target.time(), everyDay, changes);
        };
        for (int i = 0; i < pressed.size(); ++i) {
            const Countdown::ShutdownRun run = runAt(pressedFrom.addSecs(60 * i));
            changes = pressed.at(i) == 'P' ? Countdown::Postpone(run) : Countdown::Skip(run);
        }
        const Countdown::ShutdownRun run = runAt(now);
        const Countdown::Outcome outcome = Countdown::ShutdownRunOutcome(
            now, target.date(), target.time(), everyDay, run, PowerAction::PowerOff);
        const Countdown::ShutdownWarning warning = Countdown::WarnBeforeShutdown(now, run, QDateTime());
        QCOMPARE(QStringLiteral("%1|%2|%3").arg(outcome.label).arg(outcome.fire).arg(warning.seconds),
                 expected);
    }

    void rest_data()
    {
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<int>("lastRestHour");
        QTest::addColumn<QString>("interval");
        QTest::addColumn<QString>("outcome"); // the label, "fire <hour counted from>" or "skip"

        const QString next = "距离下次休息时间还有 ";
        QTest::newRow("09:40 from 9, hourly") << At(1, 15, 9, 40) << 9 << "1" << next + "0小时 20分钟 0秒";
        QTest::newRow("10:00:00 due") << At(1, 15, 10, 0) << 9 << "1" << QString("fire 10");
        QTest::newRow("10:00:02 still due") << At(1, 15, 10, 0, 2) << 9 << "1" << QString("fire 10");
        QTest::newRow("10:00:03 missed: the next full hour")
            << At(1, 15, 10, 0, 3) << 9 << "1" << next + "0小时 59分钟 57秒";
        QTest::newRow("11:00, reminded at 10") << At(1, 15, 11, 0) << 10 << "1" << QString("fire 11");
        QTest::newRow("11:00 from 9, every two hours") << At(1, 15, 11, 0) << 9 << "2" << QString("fire 11");
        QTest::newRow("23:30 from 22, counted across midnight")
            << At(1, 15, 23, 30) << 22 << "2" << next + "0小时 30分钟 0秒";
        QTest::newRow("midnight from 22, every two hours")
            << At(1, 16, 0, 0, 1) << 22 << "2" << QString("fire 0");
        QTest::newRow("armed late: the next full hour")
            << At(1, 15, 14, 30) << 9 << "2" << next + "0小时 30分钟 0秒";
        QTest::newRow("armed late: due at that hour") << At(1, 15, 15, 0) << 9 << "2" << QString("fire 15");
        QTest::newRow("never below zero")
            << At(1, 15, 23, 59, 59, 500) << 9 << "2" << next + "0小时 0分钟 0秒";
        QTest::newRow("zero hours counts as one")
            << At(1, 15, 10, 0) << 10 << "0" << next + "1小时 0分钟 0秒";
        QTest::newRow("99 hours counts as 23: due") << At(7, 16, 9, 0) << 10 << "99" << QString("fire 9");
        QTest::newRow("too many digits to read counts as 23")
            << At(7, 16, 9, 0) << 10 << "99999999999999999999999" << QString("fire 9");
        QTest::newRow("no interval chosen") << At(1, 15, 10, 0) << 9 << "" << QString("skip");
    }

    void rest()
    {
        QFETCH(QDateTime, now);
        QFETCH(int, lastRestHour);
        QFETCH(QString, interval);
        QFETCH(QString, outcome);
        const Countdown::RestOutcome rest = Countdown::Rest(now, lastRestHour, interval);
        // Firing and skipping leave the label as it was (a null text).
        QString seen = rest.skip ? QStringLiteral("skip") : rest.label;
        if (rest.fire)
            seen = QStringLiteral("fire %1").arg(rest.lastRestHour);
        QCOMPARE(seen, outcome);
        QCOMPARE(rest.label.isNull(), rest.fire || rest.skip);
        if (!rest.fire)
            QCOMPARE(rest.lastRestHour, lastRestHour);
    }

    // Counting only time at the desk: ten minutes without input are a rest.
    void restAtDesk_data()
    {
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<int>("gap"); // seconds since the previous tick
        QTest::addColumn<bool>("wasAway");
        QTest::addColumn<int>("idle"); // seconds; -1: nothing tells
        QTest::addColumn<QString>("interval");
        QTest::addColumn<bool>("armed");
        QTest::addColumn<QString>("outcome"); // "fire" or the countdown, hour counted from, presence

        QTest::newRow("due, present") << At(1, 15, 10, 0) << 1 << false << 0 << "1" << true << "fire 10 here";
        QTest::newRow("due after a short pause")
            << At(1, 15, 10, 0) << 1 << false << 599 << "1" << true << "fire 10 here";
        QTest::newRow("due, away") << At(1, 15, 10, 0) << 1 << false << 600 << "1" << true << "1:0:0 10 away";
        QTest::newRow("back at :25, hourly")
            << At(1, 15, 10, 25) << 1 << true << 0 << "1" << true << "0:35:0 10 here";
        QTest::newRow("back at :25, every two hours")
            << At(1, 15, 10, 25) << 1 << true << 0 << "2" << true << "1:35:0 10 here";
        QTest::newRow("back at half past")
            << At(1, 15, 10, 30) << 1 << true << 0 << "1" << true << "1:30:0 11 here";
        QTest::newRow("back at :59") << At(1, 15, 10, 59) << 1 << true << 0 << "1" << true << "1:1:0 11 here";
        QTest::newRow("back on a due tick")
            << At(1, 15, 10, 0, 1) << 1 << true << 0 << "1" << true << "0:59:59 10 here";
        QTest::newRow("40 minutes between ticks")
            << At(1, 15, 12, 40) << 2400 << false << 5 << "1" << true << "1:20:0 13 here";
        QTest::newRow("40 minutes between ticks, nothing tells")
            << At(1, 15, 12, 40) << 2400 << false << -1 << "1" << true << "0:20:0 9 here";
        QTest::newRow("due, away, nothing tells now")
            << At(1, 15, 10, 0) << 1 << true << -1 << "1" << true << "1:0:0 10 away";
        QTest::newRow("back before midnight")
            << At(1, 15, 23, 40) << 1 << true << 0 << "1" << true << "1:20:0 0 here";
        QTest::newRow("back, not armed") << At(1, 15, 10, 25) << 1 << true << 0 << "1" << false << "10 here";
    }

    void restAtDesk()
    {
        QFETCH(QDateTime, now);
        QFETCH(int, gap);
        QFETCH(bool, wasAway);
        QFETCH(int, idle);
        QFETCH(QString, interval);
        QFETCH(bool, armed);
        QFETCH(QString, outcome);
        const Countdown::RestOutcome rest
            = Countdown::RestAtDesk(now, 9, {wasAway, now.addSecs(-gap)}, interval,
                                    idle < 0 ? std::nullopt : std::optional<qint64>(idle), armed);
        const QRegularExpressionMatch parts
            = QRegularExpression("(\\d+)小时 (\\d+)分钟 (\\d+)秒").match(rest.label);
        QString seen = rest.fire ? "fire "
            : parts.hasMatch()   ? parts.capturedTexts().mid(1).join(':') + ' '
                                 : "";
        seen += QString::number(rest.lastRestHour) + (rest.presence.away ? " away" : " here");
        QCOMPARE(seen, outcome);
        QCOMPARE(rest.presence.lastTick, now);
    }
};

VARNO_TEST_MAIN(TestCountdown)
#include "tst_countdown.moc"

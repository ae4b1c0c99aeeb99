#include "kit/TestKit.h"
#include "timedtasks/Countdown.h"

#include <QtTest>

// Dates are mid-January and mid-July, away from any daylight-saving change,
// and every moment is a local date and time, so the rows hold in any zone.
namespace {

QDateTime At(int year, int month, int day, int hour, int minute, int second = 0, int ms = 0)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second, ms));
}

const QString NoLabel; // null: the label keeps its text

} // namespace

class TestCountdown : public QObject
{
    Q_OBJECT

private slots:
    void split_data();
    void split();
    void shutdown_data();
    void shutdown();
    void endOfWork_data();
    void endOfWork();
    void rest_data();
    void rest();
    void notSetTexts();
};

void TestCountdown::split_data()
{
    QTest::addColumn<qint64>("seconds");
    QTest::addColumn<qint64>("hours");
    QTest::addColumn<qint64>("minutes");
    QTest::addColumn<qint64>("secondsPart");

    QTest::newRow("1 h 2 min 5 s") << qint64(3725) << qint64(1) << qint64(2) << qint64(5);
    QTest::newRow("90 s past") << qint64(-90) << qint64(0) << qint64(-1) << qint64(-30);
    QTest::newRow("zero") << qint64(0) << qint64(0) << qint64(0) << qint64(0);
    QTest::newRow("one hour past") << qint64(-3600) << qint64(-1) << qint64(0) << qint64(0);
    QTest::newRow("a second short of a day") << qint64(86399) << qint64(23) << qint64(59) << qint64(59);
    QTest::newRow("beyond 32 bits") << qint64(10000000000) << qint64(2777777) << qint64(46) << qint64(40);
}

void TestCountdown::split()
{
    QFETCH(qint64, seconds);
    QFETCH(qint64, hours);
    QFETCH(qint64, minutes);
    QFETCH(qint64, secondsPart);
    const Countdown::Parts parts = Countdown::Split(seconds);
    QCOMPARE(parts.hours, hours);
    QCOMPARE(parts.minutes, minutes);
    QCOMPARE(parts.seconds, secondsPart);
}

void TestCountdown::shutdown_data()
{
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QTime>("time");
    QTest::addColumn<bool>("everyDay");
    QTest::addColumn<QString>("label");
    QTest::addColumn<bool>("fire");

    const QDate day(2024, 1, 15);
    const QTime target(10, 2, 5);
    const QString once = "电脑将在 2024-01-15 10:02:05 关机,距离关机还有 ";
    QTest::newRow("1 h 2 min 5 s ahead")
        << At(2024, 1, 15, 9, 0) << day << target << false << once + "1小时 2分钟 5秒" << false;
    QTest::newRow("90 s past, no firing")
        << At(2024, 1, 15, 10, 3, 35) << day << target << false << once + "0小时 -1分钟 -30秒" << false;
    QTest::newRow("a millisecond early")
        << At(2024, 1, 15, 10, 2, 4, 999) << day << target << false << once + "0小时 0分钟 0秒" << false;
    QTest::newRow("at the moment") << At(2024, 1, 15, 10, 2, 5) << day << target << false
                                   << once + "0小时 0分钟 0秒" << true;
    QTest::newRow("2 s after") << At(2024, 1, 15, 10, 2, 7) << day << target << false
                               << once + "0小时 0分钟 -2秒" << true;
    QTest::newRow("5 s after, last of the window")
        << At(2024, 1, 15, 10, 2, 10) << day << target << false << once + "0小时 0分钟 -5秒" << true;
    QTest::newRow("just past the window")
        << At(2024, 1, 15, 10, 2, 10, 1) << day << target << false << once + "0小时 0分钟 -5秒" << false;
    QTest::newRow("a day before, same time")
        << At(2024, 1, 14, 10, 2, 5) << day << target << false << once + "24小时 0分钟 0秒" << false;
    QTest::newRow("across midnight") << At(2024, 7, 14, 23, 30) << QDate(2024, 7, 15) << QTime(1, 0) << false
                                     << "电脑将在 2024-07-15 01:00:00 关机,距离关机还有 1小时 30分钟 0秒"
                                     << false;

    const QString daily = "电脑将在每天 18:00:00 关机,距离关机还有 ";
    // The date edit plays no part in every-day mode.
    const QDate anyDay(2020, 7, 1);
    QTest::newRow("daily, ahead") << At(2024, 7, 15, 17, 0) << anyDay << QTime(18, 0) << true
                                  << daily + "1小时 0分钟 0秒" << false;
    QTest::newRow("daily, passed today counts below zero")
        << At(2024, 7, 15, 19, 0) << anyDay << QTime(18, 0) << true << daily + "-1小时 0分钟 0秒" << false;
    QTest::newRow("daily, in the window")
        << At(2024, 7, 15, 18, 0, 3) << anyDay << QTime(18, 0) << true << daily + "0小时 0分钟 -3秒" << true;
    QTest::newRow("daily, end of the window")
        << At(2024, 7, 15, 18, 0, 5) << anyDay << QTime(18, 0) << true << daily + "0小时 0分钟 -5秒" << true;
    QTest::newRow("daily, past the window") << At(2024, 7, 15, 18, 0, 5, 1) << anyDay << QTime(18, 0) << true
                                            << daily + "0小时 0分钟 -5秒" << false;
    QTest::newRow("daily, just before") << At(2024, 7, 15, 17, 59, 59, 999) << anyDay << QTime(18, 0) << true
                                        << daily + "0小时 0分钟 1秒" << false;
    QTest::newRow("daily, window running past midnight")
        << At(2024, 7, 16, 0, 0, 2) << anyDay << QTime(23, 59, 58) << true
        << "电脑将在每天 23:59:58 关机,距离关机还有 23小时 59分钟 56秒" << true;
    QTest::newRow("daily, long after a late time")
        << At(2024, 7, 16, 0, 0, 4) << anyDay << QTime(23, 59, 58) << true
        << "电脑将在每天 23:59:58 关机,距离关机还有 23小时 59分钟 54秒" << false;
}

void TestCountdown::shutdown()
{
    QFETCH(QDateTime, now);
    QFETCH(QDate, date);
    QFETCH(QTime, time);
    QFETCH(bool, everyDay);
    QFETCH(QString, label);
    QFETCH(bool, fire);
    const Countdown::Outcome outcome = Countdown::Shutdown(now, date, time, everyDay);
    QCOMPARE(outcome.label, label);
    QCOMPARE(outcome.fire, fire);
}

void TestCountdown::endOfWork_data()
{
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QTime>("time");
    QTest::addColumn<bool>("everyDay");
    QTest::addColumn<QString>("label");
    QTest::addColumn<bool>("fire");

    const QDate anyDay(2020, 1, 1);
    const QTime evening(17, 30);
    const QString daily = "您的下班时间是: 17:30:00,距离下班时间还有 ";
    QTest::newRow("daily, ahead") << At(2024, 1, 15, 9, 0) << anyDay << evening << true
                                  << daily + "8小时 30分钟 0秒" << false;
    QTest::newRow("daily, 90 s past counts to tomorrow")
        << At(2024, 1, 15, 17, 31, 30) << anyDay << evening << true << daily + "23小时 58分钟 29秒" << false;
    QTest::newRow("daily, at the time")
        << At(2024, 1, 15, 17, 30) << anyDay << evening << true << daily + "0小时 0分钟 0秒" << true;
    QTest::newRow("daily, 3 s after")
        << At(2024, 1, 15, 17, 30, 3) << anyDay << evening << true << daily + "23小时 59分钟 56秒" << true;
    QTest::newRow("daily, past the window") << At(2024, 1, 15, 17, 30, 3, 1) << anyDay << evening << true
                                            << daily + "23小时 59分钟 56秒" << false;
    QTest::newRow("daily, a millisecond past")
        << At(2024, 1, 15, 17, 30, 0, 1) << anyDay << evening << true << daily + "23小时 59分钟 59秒" << true;

    const QDate day(2024, 7, 15);
    const QString once = "您的下班时间是: 2024-07-15 17:30:00,";
    QTest::newRow("one-off, ahead") << At(2024, 7, 15, 9, 0) << day << evening << false
                                    << once + "距离下班时间还有 8小时 30分钟 0秒" << false;
    QTest::newRow("one-off, two days ahead") << At(2024, 7, 13, 17, 0) << day << evening << false
                                             << once + "距离下班时间还有 48小时 30分钟 0秒" << false;
    QTest::newRow("one-off, at the moment") << At(2024, 7, 15, 17, 30) << day << evening << false
                                            << once + "距离下班时间还有 0小时 0分钟 0秒" << true;
    QTest::newRow("one-off, 3 s after") << At(2024, 7, 15, 17, 30, 3) << day << evening << false
                                        << once + "距离下班时间还有 23小时 59分钟 56秒" << true;
    QTest::newRow("one-off, past the window") << At(2024, 7, 15, 17, 30, 3, 1) << day << evening << false
                                              << once + "距离下班时间还有 23小时 59分钟 56秒" << false;
    QTest::newRow("one-off, 90 s past") << At(2024, 7, 15, 17, 31, 30) << day << evening << false
                                        << once + "距离下班时间还有 23小时 58分钟 29秒" << false;
    QTest::newRow("one-off, a second short of a day past")
        << At(2024, 7, 16, 17, 29, 59) << day << evening << false << once + "距离下班时间还有 0小时 0分钟 0秒"
        << false;
    QTest::newRow("one-off, a day past")
        << At(2024, 7, 16, 17, 30) << day << evening << false << once + "下班时间已过" << false;
    QTest::newRow("one-off, two days past")
        << At(2024, 7, 17, 18, 0) << day << evening << false << once + "下班时间已过" << false;
}

void TestCountdown::endOfWork()
{
    QFETCH(QDateTime, now);
    QFETCH(QDate, date);
    QFETCH(QTime, time);
    QFETCH(bool, everyDay);
    QFETCH(QString, label);
    QFETCH(bool, fire);
    const Countdown::Outcome outcome = Countdown::EndOfWork(now, date, time, everyDay);
    QCOMPARE(outcome.label, label);
    QCOMPARE(outcome.fire, fire);
}

void TestCountdown::rest_data()
{
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<int>("lastRestHour");
    QTest::addColumn<QString>("interval");
    QTest::addColumn<bool>("skip");
    QTest::addColumn<bool>("fire");
    QTest::addColumn<int>("lastRestHourAfter");
    QTest::addColumn<QString>("label");

    const QString next = "距离下次休息时间还有 ";
    QTest::newRow("09:40 from 9, hourly")
        << At(2024, 1, 15, 9, 40) << 9 << "1" << false << false << 9 << next + "0小时 20分钟 0秒";
    QTest::newRow("10:00:00 due") << At(2024, 1, 15, 10, 0) << 9 << "1" << false << true << 10 << NoLabel;
    QTest::newRow("10:00:02 still due")
        << At(2024, 1, 15, 10, 0, 2) << 9 << "1" << false << true << 10 << NoLabel;
    QTest::newRow("10:00:01 after the reminder")
        << At(2024, 1, 15, 10, 0, 1) << 10 << "1" << false << false << 10 << next + "0小时 59分钟 59秒";
    QTest::newRow("11:00 after a reminder at 10")
        << At(2024, 1, 15, 11, 0) << 10 << "1" << false << true << 11 << NoLabel;
    QTest::newRow("10:00:03 missed, next full hour")
        << At(2024, 1, 15, 10, 0, 3) << 9 << "1" << false << false << 9 << next + "0小时 59分钟 57秒";
    QTest::newRow("11:00 from 9, every two hours")
        << At(2024, 1, 15, 11, 0) << 9 << "2" << false << true << 11 << NoLabel;
    QTest::newRow("10:00 from 9, every two hours")
        << At(2024, 1, 15, 10, 0) << 9 << "2" << false << false << 9 << next + "1小时 0分钟 0秒";
    QTest::newRow("23:30 from 22 counts across midnight")
        << At(2024, 1, 15, 23, 30) << 22 << "2" << false << false << 22 << next + "0小时 30分钟 0秒";
    QTest::newRow("midnight from 22, every two hours")
        << At(2024, 1, 16, 0, 0, 1) << 22 << "2" << false << true << 0 << NoLabel;
    QTest::newRow("22:15 from 21, every four hours")
        << At(2024, 7, 15, 22, 15) << 21 << "4" << false << false << 21 << next + "2小时 45分钟 0秒";
    QTest::newRow("armed late counts to the next full hour")
        << At(2024, 1, 15, 14, 30) << 9 << "2" << false << false << 9 << next + "0小时 30分钟 0秒";
    QTest::newRow("armed late comes at that hour")
        << At(2024, 1, 15, 15, 0) << 9 << "2" << false << true << 15 << NoLabel;
    QTest::newRow("interval lowered at 10:30")
        << At(2024, 1, 15, 10, 30) << 9 << "1" << false << false << 9 << next + "0小时 30分钟 0秒";
    QTest::newRow("interval lowered, due at 11")
        << At(2024, 1, 15, 11, 0) << 9 << "1" << false << true << 11 << NoLabel;
    QTest::newRow("never below zero")
        << At(2024, 1, 15, 23, 59, 59, 500) << 9 << "2" << false << false << 9 << next + "0小时 0分钟 0秒";
    QTest::newRow("zero hours counts as one")
        << At(2024, 1, 15, 10, 0) << 10 << "0" << false << false << 10 << next + "1小时 0分钟 0秒";
    QTest::newRow("not a number counts as one")
        << At(2024, 1, 15, 10, 0) << 10 << "x" << false << false << 10 << next + "1小时 0分钟 0秒";
    QTest::newRow("99 hours counts as 23, waiting")
        << At(2024, 7, 16, 8, 30) << 10 << "99" << false << false << 10 << next + "0小时 30分钟 0秒";
    QTest::newRow("99 hours counts as 23, due")
        << At(2024, 7, 16, 9, 0) << 10 << "99" << false << true << 9 << NoLabel;
    QTest::newRow("beyond 64 bits counts as 23")
        << At(2024, 7, 16, 9, 0) << 10 << "18446744073709551615" << false << true << 9 << NoLabel;
    QTest::newRow("no interval chosen") << At(2024, 1, 15, 10, 0) << 9 << "" << true << false << 9 << NoLabel;
}

void TestCountdown::rest()
{
    QFETCH(QDateTime, now);
    QFETCH(int, lastRestHour);
    QFETCH(QString, interval);
    QFETCH(bool, skip);
    QFETCH(bool, fire);
    QFETCH(int, lastRestHourAfter);
    QFETCH(QString, label);
    const Countdown::RestOutcome outcome = Countdown::Rest(now, lastRestHour, interval);
    QCOMPARE(outcome.skip, skip);
    QCOMPARE(outcome.fire, fire);
    QCOMPARE(outcome.lastRestHour, lastRestHourAfter);
    QCOMPARE(outcome.label, label);
    QCOMPARE(outcome.label.isNull(), label.isNull());
}

void TestCountdown::notSetTexts()
{
    QCOMPARE(Countdown::ShutdownNotSetText(), QString("关机时间未设置!"));
    QCOMPARE(Countdown::EndOfWorkNotSetText(), QString("下班时间提醒未设置!"));
    QCOMPARE(Countdown::RestNotSetText(), QString("休息时间提醒未设置!"));
}

VARNO_TEST_MAIN(TestCountdown)
#include "tst_countdown.moc"

#include "app/SystemTray.h"
#include "kit/FakeClock.h"
#include "kit/FakePowerOff.h"
#include "kit/MainWindowProbe.h"
#include "kit/TestKit.h"
#include "persistence/SettingsStore.h"

#include <QDateEdit>
#include <QLabel>
#include <QSettings>
#include <QTimeEdit>
#include <QtTest>

#include <memory>

// Moments are local dates and times in mid-January and mid-July, away from
// daylight-saving changes, so the expectations hold in every time zone.
namespace {

QDateTime At(int month, int day, int hour, int minute, int second = 0)
{
    return QDateTime(QDate(2024, month, day), QTime(hour, minute, second));
}

const QString ShutdownFlag = QString::fromLatin1(SettingsStore::IsShutdownScheduledKey);
const QString EndOfWorkFlag = QString::fromLatin1(SettingsStore::IsEndWorkReminderScheduledKey);
const QString RestFlag = QString::fromLatin1(SettingsStore::IsRestReminderScheduledKey);

void StoreAll(const QVariantMap &values)
{
    QSettings store(SettingsStore::OrganisationName, SettingsStore::ApplicationName);
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        store.setValue(it.key(), it.value().toString());
}

// "key=value" for each key present in the store.
QStringList Stored(const QStringList &keys)
{
    const QSettings store(SettingsStore::OrganisationName, SettingsStore::ApplicationName);
    QStringList seen;
    for (const QString &key : keys) {
        if (store.contains(key))
            seen << key + QLatin1Char('=') + store.value(key).toString();
    }
    return seen;
}

// The stored form of a page (shutdown or end of work) as a run leaves it.
QVariantMap Task(bool endOfWork, const QString &flag, const QString &date, const QString &time,
                 bool everyDay = false)
{
    const QString page = endOfWork ? QStringLiteral("_EndWorkReminder") : QString();
    return {{endOfWork ? EndOfWorkFlag : ShutdownFlag, flag},
            {"Date" + page + "_QDateEdit", date},
            {"Time" + page + "_QTimeEdit", time},
            {"EveryDate" + page + "_QRadioButton", everyDay ? "1" : "0"}};
}

QVariantMap Merged(QVariantMap a, const QVariantMap &b)
{
    for (auto it = b.cbegin(); it != b.cend(); ++it)
        a.insert(it.key(), it.value());
    return a;
}

QStringList Pairs(const QVariantMap &values)
{
    QStringList pairs;
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        pairs << it.key() + QLatin1Char('=') + it.value().toString();
    return pairs;
}

} // namespace

class TestTimedTasks : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void setAndCancel_data();
    void setAndCancel();
    void ticks_data();
    void ticks();
    void editingThePageMovesTheShutdown();
    void aFiredShutdownDoesNotComeBackAtTheNextStart();
    void aWarningComesOncePerArming();
    void timeEditsStepTheMinutes();
    void anUnreadableMomentDisarmsItsTask_data();
    void anUnreadableMomentDisarmsItsTask();

private:
    void MakeWindow();
    ::Ui::MainWindow *Form() { return MainWindowProbe::Form(*Window); }
    void Click(const QString &name) { TestKit::Click(Window.get(), name); }
    // One tick at the moment; then the power-off requests and balloons so far
    // and the text of the label.
    QString TickAt(const QDateTime &moment, const QLabel *label);

    std::unique_ptr<TestKit::IsolatedSettings> Settings;
    std::unique_ptr<TestKit::ModalAnswerer> Answerer;
    std::unique_ptr<TestKit::FakeClock> Clock;
    std::unique_ptr<MainWindow> Window;
    RecordingNotifier *Balloons = nullptr;
};

void TestTimedTasks::init()
{
    Settings = std::make_unique<TestKit::IsolatedSettings>();
    Answerer = std::make_unique<TestKit::ModalAnswerer>();
    Clock = std::make_unique<TestKit::FakeClock>(At(1, 15, 9, 40));
    FakePowerOff::Reset(false);
    SystemTray::SetAvailabilityOverride(true);
}

void TestTimedTasks::cleanup()
{
    Window.reset();
    QCOMPARE(Answerer->UnexpectedCount(), 0);
    Answerer.reset();
    Clock.reset();
    SystemTray::SetAvailabilityOverride(std::nullopt);
    Settings.reset();
}

// The tests drive the tick themselves, at the moments the fake clock gives.
void TestTimedTasks::MakeWindow()
{
    Window = std::make_unique<MainWindow>();
    MainWindowProbe::ApplicationTimer(*Window)->stop();
    Balloons = RecordingNotifier::InstallOn(*Window);
    Window->show();
    QVERIFY(QTest::qWaitForWindowExposed(Window.get()));
}

QString TestTimedTasks::TickAt(const QDateTime &moment, const QLabel *label)
{
    Clock->Set(moment);
    MainWindowProbe::Tick(*Window);
    return QStringLiteral("%1 %2 ").arg(FakePowerOff::CallCount()).arg(Balloons->Shown.size())
        + label->text();
}

void TestTimedTasks::setAndCancel_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<QDateTime>("target"); // put into the page's date and time
    QTest::addColumn<bool>("everyDay");
    QTest::addColumn<QVariantMap>("storedBefore");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QVariantMap>("storedAfter");

    const QString set = QStringLiteral("SetShutdown_QPushButton");
    const QString accepted = QStringLiteral("information 提示/定时关机设置成功");
    const QString refused = QStringLiteral("warning 错误/请选择一个未来的时间");
    const QDateTime morning = At(1, 15, 9, 40);
    const QVariantMap armed = Task(false, "true", "2024/1/20", "8:00");
    // Setting stores the page's values with the flag; a refusal writes nothing.
    QTest::newRow("shutdown an hour ahead") << set << morning << At(1, 15, 10, 40) << false << QVariantMap()
                                            << accepted << Task(false, "true", "2024/1/15", "10:40");
    QTest::newRow("shutdown at the present moment: refused")
        << set << morning << morning << false << QVariantMap() << refused << QVariantMap();
    QTest::newRow("refused while armed: stays armed")
        << set << morning << At(1, 15, 9, 39) << false << armed << refused << armed;
    // The date counts in every-day mode too.
    QTest::newRow("daily 18:00 with tomorrow's date at 19:00")
        << set << At(7, 15, 19, 0) << At(7, 16, 18, 0) << true << QVariantMap() << accepted
        << Task(false, "true", "2024/7/16", "18:00", true);
    QTest::newRow("end of work in the past")
        << "Set_EndWorkReminder_QPushButton" << morning << At(1, 14, 8, 0) << false << QVariantMap()
        << "information 提示/下班提醒设置成功" << Task(true, "true", "2024/1/14", "8:00");
    QTest::newRow("rest") << "Set_RestReminder_QPushButton" << morning << morning << false << QVariantMap()
                          << "information 提示/休息提醒设置成功"
                          << QVariantMap {{RestFlag, "true"},
                                          {"TimeInterval_RestReminder_comboBox", "2_1_2_3_4"}};
    // Cancelling writes "false" without a word.
    QTest::newRow("cancel shutdown") << "CancelShutdown_QPushButton" << morning << morning << false << armed
                                     << QString() << Merged(armed, {{ShutdownFlag, "false"}});
    QTest::newRow("cancel end of work")
        << "Cancel_EndWorkReminder_QPushButton" << morning << morning << false
        << Task(true, "true", "2024/1/20", "8:00") << QString() << Task(true, "false", "2024/1/20", "8:00");
    QTest::newRow("cancel rest") << "Cancel_RestReminder_QPushButton" << morning << morning << false
                                 << QVariantMap {{RestFlag, "true"}} << QString()
                                 << QVariantMap {{RestFlag, "false"}};
}

void TestTimedTasks::setAndCancel()
{
    QFETCH(QString, button);
    QFETCH(QDateTime, now);
    QFETCH(QDateTime, target);
    QFETCH(bool, everyDay);
    QFETCH(QVariantMap, storedBefore);
    QFETCH(QString, box);
    QFETCH(QVariantMap, storedAfter);
    StoreAll(storedBefore);
    Clock->Set(now);
    MakeWindow();
    Form()->Date_QDateEdit->setDate(target.date());
    Form()->Time_QTimeEdit->setTime(target.time());
    Form()->EveryDate_QRadioButton->setChecked(everyDay);
    Form()->Date_EndWorkReminder_QDateEdit->setDate(target.date());
    Form()->Time_EndWorkReminder_QTimeEdit->setTime(target.time());
    Form()->TimeInterval_RestReminder_comboBox->setCurrentIndex(2);
    MainWindowProbe::LastRestHour(*Window) = 7;
    if (!box.isEmpty())
        Answerer->NextClick();
    Click(button);
    QStringList seen;
    for (const TestKit::ModalRecord &modal : Answerer->Records()) {
        seen << QStringLiteral("%1 %2/%3")
                    .arg(modal.icon == QMessageBox::Warning ? "warning" : "information", modal.title,
                         modal.text);
        QCOMPARE(modal.buttons, QList<QMessageBox::StandardButton> {QMessageBox::Ok});
        QCOMPARE(modal.parent.data(), static_cast<QWidget *>(Window.get()));
    }
    QCOMPARE(seen, box.isEmpty() ? QStringList() : QStringList(box));
    QStringList keys = Merged(Task(false, "", "", ""), Task(true, "", "", "")).keys()
        << RestFlag << "TimeInterval_RestReminder_comboBox";
    keys.sort();
    QCOMPARE(Stored(keys), Pairs(storedAfter));
    QCOMPARE(MainWindowProbe::LastRestHour(*Window), 7); // arming counts from the hour counted from
}

void TestTimedTasks::ticks_data()
{
    QTest::addColumn<QVariantMap>("stored");
    QTest::addColumn<QDateTime>("start"); // the clock when the window is made
    QTest::addColumn<bool>("powerOffAccepted");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QList<QDateTime>>("moments");
    QTest::addColumn<QStringList>("seen"); // after each tick: power-off requests, balloons, label
    QTest::addColumn<QString>("balloon"); // title, message, milliseconds and icon of each

    // A flag counts when it is "true" and the moment it fires at was stored too.
    const auto once = [](const char *name, const QVariantMap &stored, const char *label,
                         const QString &seen) {
        QTest::newRow(name) << stored << At(1, 15, 9, 40) << false << label
                            << QList<QDateTime> {At(1, 15, 9, 40)} << QStringList("0 0 " + seen) << QString();
    };
    const QVariantMap shutdown = Task(false, "true", "2024/1/16", "8:00");
    const QString notSet = QStringLiteral("关机时间未设置!");
    const QString workNotSet = QStringLiteral("下班时间提醒未设置!");
    once("nothing stored", {}, "statusLabel", notSet);
    once("rest not armed", {{RestFlag, "false"}}, "ReminderInformation_RestReminder_QLabel",
         "休息时间提醒未设置!");
    once("flag in another spelling", Merged(shutdown, {{ShutdownFlag, "TRUE"}}), "statusLabel", notSet);
    once("shutdown armed, never stored", {{ShutdownFlag, "true"}}, "statusLabel", notSet);
    once("shutdown armed, only the date stored", {{ShutdownFlag, "true"}, {"Date_QDateEdit", "2024/1/16"}},
         "statusLabel", notSet);
    once("end of work armed, only the time stored",
         {{EndOfWorkFlag, "true"}, {"Time_EndWorkReminder_QTimeEdit", "17:30"}},
         "ReminderInformation_EndWorkReminder_QLabel", workNotSet);
    once("end of work armed, only the date stored",
         {{EndOfWorkFlag, "true"}, {"Date_EndWorkReminder_QDateEdit", "2024/1/16"}},
         "ReminderInformation_EndWorkReminder_QLabel", workNotSet);
    // Texts that do not read back leave the edits at a moment nobody chose.
    once("shutdown armed, time in another format", Merged(shutdown, {{"Time_QTimeEdit", "8:00 AM"}}),
         "statusLabel", notSet);
    once("end of work armed, date in another format",
         Merged(Task(true, "true", "2024/1/16", "17:30"), {{"Date_EndWorkReminder_QDateEdit", "16.01.2024"}}),
         "ReminderInformation_EndWorkReminder_QLabel", workNotSet);

    // Every tick of the 5 s window asks for the power-off again and shows the
    // outcome; a daily time comes round again the next day, a one-off moment not.
    for (const bool everyDay : {false, true}) {
        const QString head = everyDay ? "电脑将在每天 09:41:00 关机," : "电脑将在 2024-01-15 09:41:00 关机,";
        const QString outcome = everyDay ? "Windows关机失败" : "Windows正在执行关机...";
        QList<QDateTime> moments;
        QStringList seen;
        for (int second = -2; second <= 7; ++second) {
            moments << At(1, 15, 9, 41, 0).addSecs(second);
            seen << QStringLiteral("%1 1 ").arg(qBound(0, second + 1, 6))
                    + (second < 0 || second > 5
                           ? head + QStringLiteral("距离关机还有 0小时 0分钟 %1秒").arg(-second)
                           : outcome);
        }
        moments << At(1, 16, 9, 41);
        seen << (everyDay ? "7 1 " + outcome : "6 1 " + head + "距离关机还有 -24小时 0分钟 0秒");
        QTest::newRow(everyDay ? "shutdown every day, refused" : "shutdown once, accepted")
            << Task(false, "true", "2024/1/15", "9:41", everyDay) << At(1, 15, 9, 40) << !everyDay
            << "statusLabel" << moments << seen
            << QString("提示|电脑将在2秒后关机,请保存好您的工作!|10000|1");
    }

    // A balloon on each tick from the moment to 3 s after it.
    const QList<QDateTime> evening {At(1, 15, 17, 29, 59), At(1, 15, 17, 30),    At(1, 15, 17, 30, 1),
                                    At(1, 15, 17, 30, 3),  At(1, 15, 17, 30, 4), At(1, 16, 17, 30, 1)};
    const QString endOfWork = "提示|下班时间到了,开始愉快的下班生活吧!|60000|1";
    for (const bool everyDay : {false, true}) {
        const QString head = everyDay ? "您的下班时间是: 17:30:00,距离下班时间还有 "
                                      : "您的下班时间是: 2024-01-15 17:30:00,距离下班时间还有 ";
        const QStringList seen {"0 0 " + head + "0小时 0分钟 1秒",
                                "0 1 " + head + "0小时 0分钟 0秒",
                                "0 2 " + head + "23小时 59分钟 58秒",
                                "0 3 " + head + "23小时 59分钟 56秒",
                                "0 3 " + head + "23小时 59分钟 55秒",
                                everyDay ? "0 4 " + head + "23小时 59分钟 58秒"
                                         : "0 3 您的下班时间是: 2024-01-15 17:30:00,下班时间已过"};
        QTest::newRow(everyDay ? "end of work every day" : "end of work once")
            << Task(true, "true", "2024/1/15", "17:30", everyDay) << At(1, 15, 9, 40) << false
            << "ReminderInformation_EndWorkReminder_QLabel" << evening << seen << endOfWork;
    }

    // Once at the due full hour; the label keeps the countdown meanwhile.
    const QString rest = "提示|休息时间到了,喝点水活动下，对身体好哦!|10000|1";
    const QString next = "距离下次休息时间还有 ";
    QTest::newRow("rest started 09:40, hourly")
        << QVariantMap {{RestFlag, "true"}, {"TimeInterval_RestReminder_comboBox", "0_1_2_3_4"}}
        << At(1, 15, 9, 40) << false << "ReminderInformation_RestReminder_QLabel"
        << QList<QDateTime> {At(1, 15, 9, 40), At(1, 15, 10, 0), At(1, 15, 10, 0, 1), At(1, 15, 10, 0, 2),
                             At(1, 15, 11, 0, 2)}
        << QStringList {"0 0 " + next + "0小时 20分钟 0秒", "0 1 " + next + "0小时 20分钟 0秒",
                        "0 1 " + next + "0小时 59分钟 59秒", "0 1 " + next + "0小时 59分钟 58秒",
                        "0 2 " + next + "0小时 59分钟 58秒"}
        << rest;
    QTest::newRow("rest from 22 o'clock, every two hours, over midnight")
        << QVariantMap {{RestFlag, "true"}, {"TimeInterval_RestReminder_comboBox", "1_1_2_3_4"}}
        << At(7, 15, 22, 10) << false << "ReminderInformation_RestReminder_QLabel"
        << QList<QDateTime> {At(7, 15, 23, 30), At(7, 16, 0, 0), At(7, 16, 0, 0, 3)}
        << QStringList {"0 0 " + next + "0小时 30分钟 0秒", "0 1 " + next + "0小时 30分钟 0秒",
                        "0 1 " + next + "1小时 59分钟 57秒"}
        << rest;
}

// The tick driven at exact moments with the fake clock, the fake power-off
// and a recording tray. Firing never disarms a task, nor does a tick write.
void TestTimedTasks::ticks()
{
    QFETCH(QVariantMap, stored);
    QFETCH(QDateTime, start);
    QFETCH(bool, powerOffAccepted);
    QFETCH(QString, label);
    QFETCH(QList<QDateTime>, moments);
    QFETCH(QStringList, seen);
    QFETCH(QString, balloon);
    StoreAll(stored);
    FakePowerOff::Reset(powerOffAccepted);
    Clock->Set(start);
    MakeWindow();
    const QStringList storedAtStart = Stored(stored.keys());
    for (int i = 0; i < moments.size(); ++i)
        QCOMPARE(TickAt(moments.at(i), TestKit::Find<QLabel>(Window.get(), label)), seen.at(i));
    for (const RecordedBalloon &shown : Balloons->Shown) {
        QCOMPARE(QStringList({shown.title, shown.message, QString::number(shown.milliseconds),
                              QString::number(shown.icon)})
                     .join('|'),
                 balloon);
    }
    QCOMPARE(Stored(stored.keys()), storedAtStart);
    QCOMPARE(Answerer->Records().size(), 0);
}

// The target comes from the page at each tick, without setting it again.
void TestTimedTasks::editingThePageMovesTheShutdown()
{
    StoreAll(Task(false, "true", "2024/1/15", "10:40"));
    MakeWindow();
    Form()->Time_QTimeEdit->setTime(QTime(11, 0));
    QCOMPARE(TickAt(At(1, 15, 9, 40), Form()->statusLabel),
             QString("0 0 电脑将在 2024-01-15 11:00:00 关机,距离关机还有 1小时 20分钟 0秒"));
    QCOMPARE(TickAt(At(1, 15, 10, 40), Form()->statusLabel).left(4), QString("0 0 "));
    QCOMPARE(TickAt(At(1, 15, 11, 0), Form()->statusLabel).left(4), QString("1 0 "));
}

// A page never saved starts at the present minute. Armed, fired, and the
// program ended without the close button: the next start aims at the stored
// moment, not at the moment of the start.
void TestTimedTasks::aFiredShutdownDoesNotComeBackAtTheNextStart()
{
    Clock->Set(At(1, 15, 9, 40, 17).addMSecs(250));
    MakeWindow();
    QCOMPARE(QDateTime(Form()->Date_QDateEdit->date(), Form()->Time_QTimeEdit->time()), At(1, 15, 9, 40));
    QCOMPARE(QDateTime(Form()->Date_EndWorkReminder_QDateEdit->date(),
                       Form()->Time_EndWorkReminder_QTimeEdit->time()),
             At(1, 15, 9, 40));
    QCOMPARE(MainWindowProbe::LastRestHour(*Window), 9);
    Form()->Time_QTimeEdit->setTime(QTime(9, 41));
    Answerer->NextClick(QMessageBox::Ok);
    Click("SetShutdown_QPushButton");
    TickAt(At(1, 15, 9, 41), Form()->statusLabel);
    QCOMPARE(FakePowerOff::CallCount(), 1);
    Window.reset();

    Clock->Set(At(1, 15, 9, 50));
    MakeWindow();
    for (int second = 0; second < 5; ++second)
        TickAt(At(1, 15, 9, 50, second), Form()->statusLabel);
    QCOMPARE(TickAt(At(1, 15, 9, 50, 5), Form()->statusLabel),
             QString("1 0 电脑将在 2024-01-15 09:41:00 关机,距离关机还有 0小时 -9分钟 -5秒"));
    QCOMPARE(Stored({ShutdownFlag}), QStringList(ShutdownFlag + "=true"));
}

// The last minute is announced like every reminder, once; setting the task
// again, even for the same moment, announces it again.
void TestTimedTasks::aWarningComesOncePerArming()
{
    StoreAll(Task(false, "true", "2024/1/15", "10:00"));
    MakeWindow();
    TickAt(At(1, 15, 9, 58, 59), Form()->statusLabel);
    TickAt(At(1, 15, 9, 59), Form()->statusLabel);
    TickAt(At(1, 15, 9, 59, 1), Form()->statusLabel);
    Click("CancelShutdown_QPushButton");
    Answerer->NextClick();
    Click("SetShutdown_QPushButton");
    TickAt(At(1, 15, 9, 59, 2), Form()->statusLabel);
    QStringList shown;
    for (const RecordedBalloon &balloon : Balloons->Shown)
        shown << QStringList({balloon.title, balloon.message, QString::number(balloon.milliseconds),
                              QString::number(balloon.icon)})
                     .join('|');
    QCOMPARE(shown,
             (QStringList {"提示|电脑将在60秒后关机,请保存好您的工作!|10000|1",
                           "提示|电脑将在58秒后关机,请保存好您的工作!|10000|1"}));
}

// The arrow keys and the wheel move the minutes, as the form has it.
void TestTimedTasks::timeEditsStepTheMinutes()
{
    StoreAll(Task(false, "false", "2024/1/15", "10:40"));
    MakeWindow();
    for (QTimeEdit *edit : {Form()->Time_QTimeEdit, Form()->Time_EndWorkReminder_QTimeEdit}) {
        const QTime before = edit->time();
        QTest::keyClick(edit, Qt::Key_Up);
        QCOMPARE(edit->time(), before.addSecs(60));
    }
}

void TestTimedTasks::anUnreadableMomentDisarmsItsTask_data()
{
    QTest::addColumn<bool>("endOfWork");
    QTest::newRow("shutdown") << false;
    QTest::newRow("end of work") << true;
}

// Stored by an older release under another locale: the page starts at the
// present minute and the task is disarmed, so saving that minute and
// starting again fires nothing, not even every day.
void TestTimedTasks::anUnreadableMomentDisarmsItsTask()
{
    QFETCH(bool, endOfWork);
    StoreAll(Task(endOfWork, "true", "2024/1/16", "8:00 AM", true));
    Clock->Set(At(1, 15, 9, 40, 17));
    MakeWindow();
    const QDateEdit *date = endOfWork ? Form()->Date_EndWorkReminder_QDateEdit : Form()->Date_QDateEdit;
    const QTimeEdit *time = endOfWork ? Form()->Time_EndWorkReminder_QTimeEdit : Form()->Time_QTimeEdit;
    QCOMPARE(QDateTime(date->date(), time->time()), At(1, 15, 9, 40));
    const QString flag = endOfWork ? EndOfWorkFlag : ShutdownFlag;
    QCOMPARE(Stored({flag}), QStringList(flag + "=false"));
    Click("Close_pushButton");
    Window.reset();

    MakeWindow();
    const QLabel *label
        = endOfWork ? Form()->ReminderInformation_EndWorkReminder_QLabel : Form()->statusLabel;
    for (const QDateTime &moment : {At(1, 15, 9, 40), At(1, 16, 9, 40, 1)})
        QCOMPARE(TickAt(moment, label).left(4), QString("0 0 "));
    QCOMPARE(label->text(), endOfWork ? QString("下班时间提醒未设置!") : QString("关机时间未设置!"));
}

VARNO_TEST_MAIN(TestTimedTasks)
#include "tst_timedtasks.moc"

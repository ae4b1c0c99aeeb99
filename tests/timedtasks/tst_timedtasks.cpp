#include "app/SystemTray.h"
#include "kit/FakeClock.h"
#include "kit/FakePowerOff.h"
#include "kit/MainWindowProbe.h"
#include "kit/TestKit.h"
#include "persistence/SettingsStore.h"

#include <QSettings>
#include <QtTest>

#include <memory>

// Moments are local dates and times in mid-January and mid-July, away from
// daylight-saving changes, so the expectations hold in every time zone.
namespace {

QDateTime At(int year, int month, int day, int hour, int minute, int second = 0, int ms = 0)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second, ms));
}

QSettings Store()
{
    return QSettings(SettingsStore::OrganisationName, SettingsStore::ApplicationName);
}

void StoreAll(const QVariantMap &values)
{
    QSettings store = Store();
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        store.setValue(it.key(), it.value().toString());
}

// Null when the key is absent.
QString Stored(const QString &key)
{
    const QSettings store = Store();
    return store.contains(key) ? store.value(key).toString() : QString();
}

// A stored date or time as the restore reads it back, written with Western
// digits: the edits write their text in the user's locale, whose digits the
// restore reads too.
QString StoredTarget(const QString &key)
{
    const QString text = Stored(key);
    if (key.endsWith(QLatin1String("QDateEdit")))
        return QLocale::c().toString(QDate::fromString(text, QStringLiteral("yyyy/M/d")),
                                     QStringLiteral("yyyy/M/d"));
    if (key.endsWith(QLatin1String("QTimeEdit")))
        return QLocale::c().toString(QTime::fromString(text, QStringLiteral("H:mm")), QStringLiteral("H:mm"));
    return text;
}

const QString ShutdownFlag = QString::fromLatin1(SettingsStore::IsShutdownScheduledKey);
const QString EndOfWorkFlag = QString::fromLatin1(SettingsStore::IsEndWorkReminderScheduledKey);
const QString RestFlag = QString::fromLatin1(SettingsStore::IsRestReminderScheduledKey);

const QString EndOfWorkBalloon = QStringLiteral("下班时间到了,开始愉快的下班生活吧!");
const QString RestBalloon = QStringLiteral("休息时间到了,喝点水活动下，对身体好哦!");

// The stored form of a page as a previous run would have left it.
QVariantMap ShutdownStored(const QString &flag, const QString &date, const QString &time,
                           bool everyDay = false)
{
    return {{ShutdownFlag, flag},
            {"Date_QDateEdit", date},
            {"Time_QTimeEdit", time},
            {"EveryDate_QRadioButton", everyDay ? "1" : "0"}};
}

QVariantMap EndOfWorkStored(const QString &flag, const QString &date, const QString &time,
                            bool everyDay = false)
{
    return {{EndOfWorkFlag, flag},
            {"Date_EndWorkReminder_QDateEdit", date},
            {"Time_EndWorkReminder_QTimeEdit", time},
            {"EveryDate_EndWorkReminder_QRadioButton", everyDay ? "1" : "0"}};
}

QVariantMap Merged(QVariantMap a, const QVariantMap &b)
{
    for (auto it = b.cbegin(); it != b.cend(); ++it)
        a.insert(it.key(), it.value());
    return a;
}

// QObject::receivers is protected; naming it through a subclass is allowed.
struct SignalReceivers : QObject
{
    static int Count(const QObject *sender, const char *signal)
    {
        return (sender->*(&SignalReceivers::receivers))(signal);
    }
};

} // namespace

class TestTimedTasks : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void labelsShowWhatIsArmed_data();
    void labelsShowWhatIsArmed();
    void pagesStartFromTheStoreOrTheClock_data();
    void pagesStartFromTheStoreOrTheClock();
    void buttonsAreConnectedOnce_data();
    void buttonsAreConnectedOnce();
    void scheduleShutdown_data();
    void scheduleShutdown();
    void scheduleReminders_data();
    void scheduleReminders();
    void cancelDisarms_data();
    void cancelDisarms();
    void shutdownFiresThroughItsWindow_data();
    void shutdownFiresThroughItsWindow();
    void editingThePageMovesTheShutdown_data();
    void editingThePageMovesTheShutdown();
    void endOfWorkBalloons_data();
    void endOfWorkBalloons();
    void restBalloons_data();
    void restBalloons();
    void aFiredShutdownDoesNotComeBackAtTheNextStart();

private:
    void MakeWindow();
    ::Ui::MainWindow *Form() { return MainWindowProbe::Form(*Window); }
    void Tick() { MainWindowProbe::Tick(*Window); }
    void TickAt(const QDateTime &moment)
    {
        Clock->Set(moment);
        Tick();
    }

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
    Clock = std::make_unique<TestKit::FakeClock>(At(2024, 1, 15, 9, 40));
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

void TestTimedTasks::labelsShowWhatIsArmed_data()
{
    QTest::addColumn<QVariantMap>("stored");
    QTest::addColumn<bool>("shutdown");
    QTest::addColumn<bool>("endOfWork");
    QTest::addColumn<bool>("rest");

    const QVariantMap targets
        = Merged(ShutdownStored("x", "2024/1/16", "8:00"), EndOfWorkStored("x", "2024/1/16", "17:30"));
    auto withFlags = [&targets](const QString &value) {
        return Merged(targets, {{ShutdownFlag, value}, {EndOfWorkFlag, value}, {RestFlag, value}});
    };

    QTest::newRow("nothing stored") << QVariantMap() << false << false << false;
    QTest::newRow("all armed") << withFlags("true") << true << true << true;
    QTest::newRow("all cancelled") << withFlags("false") << false << false << false;
    QTest::newRow("flags in another spelling") << withFlags("TRUE") << false << false << false;
    QTest::newRow("armed, targets never stored")
        << QVariantMap {{ShutdownFlag, "true"}, {EndOfWorkFlag, "true"}, {RestFlag, "true"}} << false << false
        << true;
    QTest::newRow("armed, only the dates stored")
        << QVariantMap {{ShutdownFlag, "true"},
                        {EndOfWorkFlag, "true"},
                        {"Date_QDateEdit", "2024/1/16"},
                        {"Date_EndWorkReminder_QDateEdit", "2024/1/16"}}
        << false << false << false;
    QTest::newRow("armed, only the times stored") << QVariantMap {{ShutdownFlag, "true"},
                                                                  {EndOfWorkFlag, "true"},
                                                                  {"Time_QTimeEdit", "8:00"},
                                                                  {"Time_EndWorkReminder_QTimeEdit", "17:30"}}
                                                  << false << false << false;
}

void TestTimedTasks::labelsShowWhatIsArmed()
{
    QFETCH(QVariantMap, stored);
    QFETCH(bool, shutdown);
    QFETCH(bool, endOfWork);
    QFETCH(bool, rest);
    StoreAll(stored);
    MakeWindow();

    Tick();
    QCOMPARE(Form()->statusLabel->text(),
             shutdown ? QString("电脑将在 2024-01-16 08:00:00 关机,距离关机还有 22小时 20分钟 0秒")
                      : QString("关机时间未设置!"));
    QCOMPARE(Form()->ReminderInformation_EndWorkReminder_QLabel->text(),
             endOfWork ? QString("您的下班时间是: 2024-01-16 17:30:00,距离下班时间还有 31小时 50分钟 0秒")
                       : QString("下班时间提醒未设置!"));
    QCOMPARE(Form()->ReminderInformation_RestReminder_QLabel->text(),
             rest ? QString("距离下次休息时间还有 0小时 20分钟 0秒") : QString("休息时间提醒未设置!"));
    QCOMPARE(FakePowerOff::CallCount(), 0);
    QCOMPARE(Balloons->Shown.size(), 0);
}

void TestTimedTasks::pagesStartFromTheStoreOrTheClock_data()
{
    QTest::addColumn<QVariantMap>("stored");
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QTime>("time");

    QTest::newRow("never saved") << QVariantMap() << QDate(2024, 1, 15) << QTime(9, 40);
    QTest::newRow("saved") << Merged(ShutdownStored("false", "2024/3/7", "18:05"),
                                     EndOfWorkStored("false", "2024/3/7", "18:05"))
                           << QDate(2024, 3, 7) << QTime(18, 5);
    // A saved date in the past is kept, not moved forward.
    QTest::newRow("saved long ago") << Merged(ShutdownStored("false", "2019/7/1", "6:00"),
                                              EndOfWorkStored("false", "2019/7/1", "6:00"))
                                    << QDate(2019, 7, 1) << QTime(6, 0);
}

void TestTimedTasks::pagesStartFromTheStoreOrTheClock()
{
    QFETCH(QVariantMap, stored);
    QFETCH(QDate, date);
    QFETCH(QTime, time);
    StoreAll(stored);
    Clock->Set(At(2024, 1, 15, 9, 40, 17, 250));
    MakeWindow();

    QCOMPARE(Form()->Date_QDateEdit->date(), date);
    QCOMPARE(Form()->Time_QTimeEdit->time(), time);
    QCOMPARE(Form()->Date_EndWorkReminder_QDateEdit->date(), date);
    QCOMPARE(Form()->Time_EndWorkReminder_QTimeEdit->time(), time);
    QCOMPARE(MainWindowProbe::LastRestHour(*Window), 9);
}

void TestTimedTasks::buttonsAreConnectedOnce_data()
{
    QTest::addColumn<QString>("navigation");
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("set");
    QTest::addColumn<QString>("cancel");

    QTest::newRow("shutdown") << "pushButton4" << 3 << "SetShutdown_QPushButton"
                              << "CancelShutdown_QPushButton";
    QTest::newRow("end of work") << "EndWorkReminder_pushButton" << 4 << "Set_EndWorkReminder_QPushButton"
                                 << "Cancel_EndWorkReminder_QPushButton";
    QTest::newRow("rest") << "RestReminder_pushButton" << 5 << "Set_RestReminder_QPushButton"
                          << "Cancel_RestReminder_QPushButton";
}

void TestTimedTasks::buttonsAreConnectedOnce()
{
    QFETCH(QString, navigation);
    QFETCH(int, page);
    QFETCH(QString, set);
    QFETCH(QString, cancel);
    MakeWindow();

    QWidget *navigationButton = TestKit::Widget(Window.get(), navigation);
    QCOMPARE(SignalReceivers::Count(navigationButton, SIGNAL(clicked(bool))), 1);
    QCOMPARE(SignalReceivers::Count(TestKit::Widget(Window.get(), set), SIGNAL(pressed())), 1);
    QCOMPARE(SignalReceivers::Count(TestKit::Widget(Window.get(), cancel), SIGNAL(pressed())), 1);

    TestKit::Click(navigationButton);
    QCOMPARE(Form()->stackedWidget->currentIndex(), page);
}

void TestTimedTasks::scheduleShutdown_data()
{
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QTime>("time");
    QTest::addColumn<bool>("everyDay");
    QTest::addColumn<QString>("flagBefore"); // null: never written
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QVariantMap>("storedAfter");

    const QDateTime morning = At(2024, 1, 15, 9, 40);
    const QDate today(2024, 1, 15);
    // What an earlier, armed run left behind.
    const QVariantMap earlier = ShutdownStored("true", "2024/1/20", "8:00");
    QTest::newRow("an hour ahead") << morning << today << QTime(10, 40) << false << QString() << true
                                   << ShutdownStored("true", "2024/1/15", "10:40", false);
    QTest::newRow("an hour ahead, every day") << morning << today << QTime(10, 40) << true << QString()
                                              << true << ShutdownStored("true", "2024/1/15", "10:40", true);
    QTest::newRow("set again while armed") << morning << QDate(2024, 1, 16) << QTime(7, 5) << false << "true"
                                           << true << ShutdownStored("true", "2024/1/16", "7:05", false);
    QTest::newRow("the present moment")
        << morning << today << QTime(9, 40) << false << QString() << false << QVariantMap();
    QTest::newRow("a minute ago") << morning << today << QTime(9, 39) << false << QString() << false
                                  << QVariantMap();
    QTest::newRow("refused while armed stays armed")
        << morning << today << QTime(9, 39) << false << "true" << false << earlier;
    QTest::newRow("refused while cancelled stays cancelled")
        << morning << today << QTime(9, 39) << false << "false" << false
        << Merged(earlier, {{ShutdownFlag, "false"}});
    const QDateTime evening = At(2024, 7, 15, 19, 0);
    QTest::newRow("daily 18:00 with today's date at 19:00")
        << evening << QDate(2024, 7, 15) << QTime(18, 0) << true << QString() << false << QVariantMap();
    QTest::newRow("daily 18:00 with tomorrow's date at 19:00")
        << evening << QDate(2024, 7, 16) << QTime(18, 0) << true << QString() << true
        << ShutdownStored("true", "2024/7/16", "18:00", true);
}

void TestTimedTasks::scheduleShutdown()
{
    QFETCH(QDateTime, now);
    QFETCH(QDate, date);
    QFETCH(QTime, time);
    QFETCH(bool, everyDay);
    QFETCH(QString, flagBefore);
    QFETCH(bool, accepted);
    QFETCH(QVariantMap, storedAfter);

    if (!flagBefore.isNull())
        StoreAll(ShutdownStored(flagBefore, "2024/1/20", "8:00"));
    Clock->Set(now);
    MakeWindow();
    TestKit::Click(Window.get(), "pushButton4");
    Form()->Date_QDateEdit->setDate(date);
    Form()->Time_QTimeEdit->setTime(time);
    Form()->EveryDate_QRadioButton->setChecked(everyDay);

    QString flagWhileBoxOpen = "unanswered";
    Answerer->Next([&](QWidget *box) {
        flagWhileBoxOpen = Stored(ShutdownFlag);
        qobject_cast<QMessageBox *>(box)->button(QMessageBox::Ok)->click();
    });
    TestKit::Click(Window.get(), "SetShutdown_QPushButton");

    QCOMPARE(Answerer->Records().size(), 1);
    const TestKit::ModalRecord &box = Answerer->Records().first();
    QCOMPARE(box.className, QString("QMessageBox"));
    QCOMPARE(box.title, accepted ? QString("提示") : QString("错误"));
    QCOMPARE(box.text, accepted ? QString("定时关机设置成功") : QString("请选择一个未来的时间"));
    QCOMPARE(box.icon, accepted ? QMessageBox::Information : QMessageBox::Warning);
    QCOMPARE(box.buttons, QList<QMessageBox::StandardButton>({QMessageBox::Ok}));
    QCOMPARE(box.parent.data(), static_cast<QWidget *>(Window.get()));
    // The flag changes only once the box is closed.
    QCOMPARE(flagWhileBoxOpen, flagBefore);

    const QStringList keys = {ShutdownFlag, "Date_QDateEdit", "Time_QTimeEdit", "EveryDate_QRadioButton"};
    for (const QString &key : keys)
        QCOMPARE(StoredTarget(key), storedAfter.value(key).toString());
}

void TestTimedTasks::scheduleReminders_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QVariantMap>("storedAfter");

    QTest::newRow("end of work in the past")
        << "Set_EndWorkReminder_QPushButton"
        << "下班提醒设置成功" << EndOfWorkStored("true", "2024/1/14", "8:00", false);
    QTest::newRow("end of work every day")
        << "Set_EndWorkReminder_QPushButton"
        << "下班提醒设置成功" << EndOfWorkStored("true", "2024/1/14", "8:00", true);
    QTest::newRow("rest") << "Set_RestReminder_QPushButton"
                          << "休息提醒设置成功"
                          << QVariantMap {{RestFlag, "true"},
                                          {"TimeInterval_RestReminder_comboBox", "2_1_2_3_4"}};
}

void TestTimedTasks::scheduleReminders()
{
    QFETCH(QString, button);
    QFETCH(QString, text);
    QFETCH(QVariantMap, storedAfter);
    MakeWindow();
    Form()->Date_EndWorkReminder_QDateEdit->setDate(QDate(2024, 1, 14));
    Form()->Time_EndWorkReminder_QTimeEdit->setTime(QTime(8, 0));
    Form()->EveryDate_EndWorkReminder_QRadioButton->setChecked(
        storedAfter.value("EveryDate_EndWorkReminder_QRadioButton") == "1");
    Form()->TimeInterval_RestReminder_comboBox->setCurrentIndex(2);
    MainWindowProbe::LastRestHour(*Window) = 7;
    TestKit::Click(Window.get(),
                   button == "Set_RestReminder_QPushButton" ? "RestReminder_pushButton"
                                                            : "EndWorkReminder_pushButton");

    Answerer->NextClick(QMessageBox::Ok);
    TestKit::Click(Window.get(), button);

    QCOMPARE(Answerer->Records().size(), 1);
    const TestKit::ModalRecord &box = Answerer->Records().first();
    QCOMPARE(box.title, QString("提示"));
    QCOMPARE(box.text, text);
    QCOMPARE(box.icon, QMessageBox::Information);
    QCOMPARE(box.buttons, QList<QMessageBox::StandardButton>({QMessageBox::Ok}));
    QCOMPARE(box.parent.data(), static_cast<QWidget *>(Window.get()));
    for (auto it = storedAfter.cbegin(); it != storedAfter.cend(); ++it)
        QCOMPARE(StoredTarget(it.key()), it.value().toString());
    // Arming counts from the hour already counted from.
    QCOMPARE(MainWindowProbe::LastRestHour(*Window), 7);
}

void TestTimedTasks::cancelDisarms_data()
{
    QTest::addColumn<QString>("navigation");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("flag");
    QTest::addColumn<QString>("flagBefore");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("notSet");

    const struct
    {
        const char *name;
        const char *navigation;
        const char *button;
        QString flag;
        const char *label;
        const char *notSet;
    } tasks[] = {
        {"shutdown", "pushButton4", "CancelShutdown_QPushButton", ShutdownFlag, "statusLabel",
         "关机时间未设置!"},
        {"end of work", "EndWorkReminder_pushButton", "Cancel_EndWorkReminder_QPushButton", EndOfWorkFlag,
         "ReminderInformation_EndWorkReminder_QLabel", "下班时间提醒未设置!"},
        {"rest", "RestReminder_pushButton", "Cancel_RestReminder_QPushButton", RestFlag,
         "ReminderInformation_RestReminder_QLabel", "休息时间提醒未设置!"},
    };
    for (const auto &task : tasks) {
        for (const QString &before : {QString(), QString("true")}) {
            QTest::addRow("%s, %s", task.name, before.isNull() ? "never armed" : "armed")
                << task.navigation << task.button << task.flag << before << task.label << task.notSet;
        }
    }
}

void TestTimedTasks::cancelDisarms()
{
    QFETCH(QString, navigation);
    QFETCH(QString, button);
    QFETCH(QString, flag);
    QFETCH(QString, flagBefore);
    QFETCH(QString, label);
    QFETCH(QString, notSet);
    if (!flagBefore.isNull()) {
        StoreAll(Merged(ShutdownStored("false", "2024/1/16", "8:00"),
                        EndOfWorkStored("false", "2024/1/16", "8:00")));
        StoreAll({{flag, flagBefore}});
    }
    MakeWindow();
    Tick();

    TestKit::Click(Window.get(), navigation);
    TestKit::Click(Window.get(), button);
    QCOMPARE(Stored(flag), QString("false"));
    QCOMPARE(Answerer->Records().size(), 0);
    Tick();
    QCOMPARE(TestKit::Find<QLabel>(Window.get(), label)->text(), notSet);
}

void TestTimedTasks::shutdownFiresThroughItsWindow_data()
{
    QTest::addColumn<bool>("everyDay");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("outcome");
    QTest::addColumn<QString>("head");

    QTest::newRow("once, accepted") << false << true << "Windows正在执行关机..."
                                    << "电脑将在 2024-01-15 09:41:00 关机,";
    QTest::newRow("once, refused") << false << false << "Windows关机失败"
                                   << "电脑将在 2024-01-15 09:41:00 关机,";
    QTest::newRow("every day, accepted") << true << true << "Windows正在执行关机..."
                                         << "电脑将在每天 09:41:00 关机,";
    QTest::newRow("every day, refused") << true << false << "Windows关机失败"
                                        << "电脑将在每天 09:41:00 关机,";
}

void TestTimedTasks::shutdownFiresThroughItsWindow()
{
    QFETCH(bool, everyDay);
    QFETCH(bool, accepted);
    QFETCH(QString, outcome);
    QFETCH(QString, head);
    StoreAll(ShutdownStored("true", "2024/1/15", "9:41", everyDay));
    FakePowerOff::Reset(accepted);
    MakeWindow();

    const struct
    {
        int second; // relative to the target
        int calls; // power-off requests so far
        const char *countdown; // null: the outcome is shown
    } ticks[] = {
        {-2, 0, "0小时 0分钟 2秒"},
        {-1, 0, "0小时 0分钟 1秒"},
        {0, 1, nullptr},
        {1, 2, nullptr},
        {2, 3, nullptr},
        {3, 4, nullptr},
        {4, 5, nullptr},
        {5, 6, nullptr},
        {6, 6, "0小时 0分钟 -6秒"},
        {7, 6, "0小时 0分钟 -7秒"},
    };
    for (const auto &tick : ticks) {
        TickAt(At(2024, 1, 15, 9, 41).addSecs(tick.second));
        QCOMPARE(FakePowerOff::CallCount(), tick.calls);
        const QString expected
            = tick.countdown ? head + "距离关机还有 " + QString::fromUtf8(tick.countdown) : outcome;
        QCOMPARE(Form()->statusLabel->text(), expected);
    }
    QCOMPARE(Stored(ShutdownFlag), QString("true"));
    QCOMPARE(Answerer->Records().size(), 0);

    // A daily time comes round again the next day; a one-off moment does not.
    TickAt(At(2024, 1, 16, 9, 41));
    QCOMPARE(FakePowerOff::CallCount(), everyDay ? 7 : 6);
}

void TestTimedTasks::editingThePageMovesTheShutdown_data()
{
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QDateTime>("quietAt");
    QTest::addColumn<QDateTime>("firesAt");

    QTest::newRow("later time") << "time"
                                << "电脑将在 2024-01-15 11:00:00 关机,距离关机还有 1小时 20分钟 0秒"
                                << At(2024, 1, 15, 10, 40) << At(2024, 1, 15, 11, 0);
    QTest::newRow("next day") << "date"
                              << "电脑将在 2024-01-16 10:40:00 关机,距离关机还有 25小时 0分钟 0秒"
                              << At(2024, 1, 15, 10, 40) << At(2024, 1, 16, 10, 40);
    QTest::newRow("every day") << "every day"
                               << "电脑将在每天 10:40:00 关机,距离关机还有 1小时 0分钟 0秒"
                               << At(2024, 1, 17, 10, 39, 54) << At(2024, 1, 17, 10, 40, 5);
}

void TestTimedTasks::editingThePageMovesTheShutdown()
{
    QFETCH(QString, edit);
    QFETCH(QString, label);
    QFETCH(QDateTime, quietAt);
    QFETCH(QDateTime, firesAt);
    StoreAll(ShutdownStored("true", "2024/1/15", "10:40"));
    MakeWindow();
    Tick();
    QCOMPARE(Form()->statusLabel->text(),
             QString("电脑将在 2024-01-15 10:40:00 关机,距离关机还有 1小时 0分钟 0秒"));

    if (edit == "time")
        Form()->Time_QTimeEdit->setTime(QTime(11, 0));
    else if (edit == "date")
        Form()->Date_QDateEdit->setDate(QDate(2024, 1, 16));
    else
        Form()->EveryDate_QRadioButton->setChecked(true);
    Tick();
    QCOMPARE(Form()->statusLabel->text(), label);

    TickAt(quietAt);
    QCOMPARE(FakePowerOff::CallCount(), 0);
    TickAt(firesAt);
    QCOMPARE(FakePowerOff::CallCount(), 1);
}

void TestTimedTasks::endOfWorkBalloons_data()
{
    QTest::addColumn<bool>("everyDay");
    QTest::newRow("once") << false;
    QTest::newRow("every day") << true;
}

void TestTimedTasks::endOfWorkBalloons()
{
    QFETCH(bool, everyDay);
    StoreAll(EndOfWorkStored("true", "2024/1/15", "17:30", everyDay));
    MakeWindow();

    const int balloonsAfter[] = {0, 1, 2, 3, 4, 4}; // ticks from 17:29:59 to 17:30:04
    for (int i = 0; i < 6; ++i) {
        TickAt(At(2024, 1, 15, 17, 29, 59).addSecs(i));
        QCOMPARE(Balloons->Shown.size(), balloonsAfter[i]);
    }
    for (const RecordedBalloon &balloon : Balloons->Shown) {
        QCOMPARE(balloon.title, QString("提示"));
        QCOMPARE(balloon.message, EndOfWorkBalloon);
        QCOMPARE(balloon.icon, QSystemTrayIcon::Information);
        QCOMPARE(balloon.milliseconds, 60000);
    }
    QCOMPARE(Stored(EndOfWorkFlag), QString("true"));
    QCOMPARE(Form()->ReminderInformation_EndWorkReminder_QLabel->text(),
             everyDay ? QString("您的下班时间是: 17:30:00,距离下班时间还有 23小时 59分钟 55秒")
                      : QString("您的下班时间是: 2024-01-15 17:30:00,距离下班时间还有 23小时 59分钟 55秒"));

    TickAt(At(2024, 1, 16, 17, 30, 1));
    QCOMPARE(Balloons->Shown.size(), everyDay ? 5 : 4);
    QCOMPARE(FakePowerOff::CallCount(), 0);
}

void TestTimedTasks::restBalloons_data()
{
    QTest::addColumn<int>("lastRestHour"); // -1: as the start left it
    QTest::addColumn<int>("intervalIndex");
    QTest::addColumn<QList<QDateTime>>("moments");
    QTest::addColumn<QList<int>>("balloons");
    QTest::addColumn<QList<int>>("lastRestHours");
    QTest::addColumn<QStringList>("labels");

    QTest::newRow("started 09:40, hourly")
        << -1 << 0
        << QList<QDateTime> {At(2024, 1, 15, 9, 40),    At(2024, 1, 15, 10, 0),    At(2024, 1, 15, 10, 0, 1),
                             At(2024, 1, 15, 10, 0, 2), At(2024, 1, 15, 10, 0, 3), At(2024, 1, 15, 11, 0, 2)}
        << QList<int> {0, 1, 1, 1, 1, 2} << QList<int> {9, 10, 10, 10, 10, 11}
        << QStringList {"0小时 20分钟 0秒",  "0小时 20分钟 0秒",  "0小时 59分钟 59秒",
                        "0小时 59分钟 58秒", "0小时 59分钟 57秒", "0小时 59分钟 57秒"};
    QTest::newRow("22 o'clock, every two hours, over midnight")
        << 22 << 1
        << QList<QDateTime> {At(2024, 7, 15, 23, 30), At(2024, 7, 16, 0, 0), At(2024, 7, 16, 0, 0, 3)}
        << QList<int> {0, 1, 1} << QList<int> {22, 0, 0}
        << QStringList {"0小时 30分钟 0秒", "0小时 30分钟 0秒", "1小时 59分钟 57秒"};
}

void TestTimedTasks::restBalloons()
{
    QFETCH(int, lastRestHour);
    QFETCH(int, intervalIndex);
    QFETCH(QList<QDateTime>, moments);
    QFETCH(QList<int>, balloons);
    QFETCH(QList<int>, lastRestHours);
    QFETCH(QStringList, labels);
    StoreAll({{RestFlag, "true"}});
    MakeWindow();
    if (lastRestHour >= 0)
        MainWindowProbe::LastRestHour(*Window) = lastRestHour;
    Form()->TimeInterval_RestReminder_comboBox->setCurrentIndex(intervalIndex);

    for (int i = 0; i < moments.size(); ++i) {
        TickAt(moments.at(i));
        QCOMPARE(Balloons->Shown.size(), balloons.at(i));
        QCOMPARE(MainWindowProbe::LastRestHour(*Window), lastRestHours.at(i));
        QCOMPARE(Form()->ReminderInformation_RestReminder_QLabel->text(),
                 "距离下次休息时间还有 " + labels.at(i));
    }
    for (const RecordedBalloon &balloon : Balloons->Shown) {
        QCOMPARE(balloon.title, QString("提示"));
        QCOMPARE(balloon.message, RestBalloon);
        QCOMPARE(balloon.icon, QSystemTrayIcon::Information);
        QCOMPARE(balloon.milliseconds, 10000);
    }
    QCOMPARE(Stored(RestFlag), QString("true"));
}

// Armed, fired, and the program ended without the close button: the next
// start must aim at the stored moment, not at the moment of the start.
void TestTimedTasks::aFiredShutdownDoesNotComeBackAtTheNextStart()
{
    MakeWindow();
    TestKit::Click(Window.get(), "pushButton4");
    Form()->Time_QTimeEdit->setTime(QTime(9, 41));
    Answerer->NextClick(QMessageBox::Ok);
    TestKit::Click(Window.get(), "SetShutdown_QPushButton");
    TickAt(At(2024, 1, 15, 9, 41));
    QCOMPARE(FakePowerOff::CallCount(), 1);
    Window.reset();

    Clock->Set(At(2024, 1, 15, 9, 50));
    MakeWindow();
    QCOMPARE(Form()->Time_QTimeEdit->time(), QTime(9, 41));
    for (int i = 0; i < 6; ++i)
        TickAt(At(2024, 1, 15, 9, 50).addSecs(i));
    QCOMPARE(FakePowerOff::CallCount(), 1);
    QCOMPARE(Form()->statusLabel->text(),
             QString("电脑将在 2024-01-15 09:41:00 关机,距离关机还有 0小时 -9分钟 -5秒"));
    QCOMPARE(Stored(ShutdownFlag), QString("true"));
}

VARNO_TEST_MAIN(TestTimedTasks)
#include "tst_timedtasks.moc"

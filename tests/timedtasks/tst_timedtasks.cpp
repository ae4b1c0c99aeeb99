#include "kit/FakePowerOff.h"
#include "kit/MainWindowProbe.h"
#include "timedtasks/IdleTime.h"

// The three timed pages and the one-second tick, driven at exact moments with
// the fake clock, the fake power-off and a recording tray. The countdowns and
// firing windows themselves are rows of tst_countdown; here is the wiring.
namespace {

QDateTime At(int month, int day, int hour, int minute, int second = 0)
{
    return QDateTime(QDate(2024, month, day), QTime(hour, minute, second));
}

// The stored form of the shutdown or end-of-work page as a run leaves it.
// A shutdown's action is stored when it is set ("0" power-off, "1" restart,
// "2" sleep).
QString Task(bool endOfWork, const QString &flag, const QString &date, const QString &time,
             bool everyDay = false, const QString &action = QString())
{
    const QString page = endOfWork ? "_EndWorkReminder" : "";
    QStringList values = {
        "Date" + page + "_QDateEdit=" + date, "EveryDate" + page + "_QRadioButton=" + (everyDay ? "1" : "0"),
        (endOfWork ? "IsEndWorkReminderScheduled_Variable=" : "IsShutdownScheduled_Variable=") + flag,
        "Time" + page + "_QTimeEdit=" + time};
    if (!action.isEmpty())
        values.insert(3, "ShutdownAction_QComboBox=" + action + "_关机_重启_睡眠");
    return values.join(';');
}

const QString Rest = QStringLiteral("IsRestReminderScheduled_Variable=");

} // namespace

class TestTimedTasks : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        F.Start();
        FakePowerOff::Reset(false);
    }

    void cleanup() { F.Finish(); }

    void setAndCancel_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QDateTime>("target"); // put into the page's date and time
        QTest::addColumn<bool>("everyDay");
        QTest::addColumn<QString>("storedBefore");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("storedAfter");
        const QString set = "SetShutdown_QPushButton";
        const QString accepted = "提示/定时关机设置成功";
        const QString refused = "错误/请选择一个未来的时间";
        const QDateTime now = At(1, 15, 9, 40);
        const QString armed = Task(false, "true", "2024/1/20", "8:00");
        // Setting stores the page's values with the flag; a refusal writes nothing.
        QTest::newRow("shutdown an hour ahead") << set << now << At(1, 15, 10, 40) << false << "" << accepted
                                                << Task(false, "true", "2024/1/15", "10:40", false, "0");
        QTest::newRow("shutdown at the present moment: refused")
            << set << now << now << false << "" << refused << "";
        QTest::newRow("refused while armed: stays armed")
            << set << now << At(1, 15, 9, 39) << false << armed << refused << armed;
        // A countdown arms a one-off on the next whole minute after it ends.
        QTest::newRow("countdown of 60 minutes at 9:40:15")
            << "SetDelay_QPushButton" << At(1, 15, 9, 40, 15) << now << true << "" << accepted
            << Task(false, "true", "2024/1/15", "10:41", false, "0");
        // The date counts in every-day mode too.
        QTest::newRow("daily 18:00 with tomorrow's date at 19:00")
            << set << At(7, 15, 19, 0) << At(7, 16, 18, 0) << true << "" << accepted
            << Task(false, "true", "2024/7/16", "18:00", true, "0");
        QTest::newRow("end of work in the past")
            << "Set_EndWorkReminder_QPushButton" << now << At(1, 14, 8, 0) << false << ""
            << "提示/下班提醒设置成功" << Task(true, "true", "2024/1/14", "8:00");
        QTest::newRow("rest") << "Set_RestReminder_QPushButton" << now << now << false << ""
                              << "提示/休息提醒设置成功"
                              << Rest + "true;TimeInterval_RestReminder_comboBox=2_1_2_3_4";
        // Cancelling writes "false" without a word.
        QTest::newRow("cancel shutdown") << "CancelShutdown_QPushButton" << now << now << false << armed << ""
                                         << Task(false, "false", "2024/1/20", "8:00");
        QTest::newRow("cancel end of work")
            << "Cancel_EndWorkReminder_QPushButton" << now << now << false
            << Task(true, "true", "2024/1/20", "8:00") << "" << Task(true, "false", "2024/1/20", "8:00");
        QTest::newRow("cancel rest") << "Cancel_RestReminder_QPushButton" << now << now << false
                                     << Rest + "true"
                                     << "" << Rest + "false";
    }

    void setAndCancel()
    {
        QFETCH(QString, button);
        QFETCH(QDateTime, now);
        QFETCH(QDateTime, target);
        QFETCH(bool, everyDay);
        QFETCH(QString, storedBefore);
        QFETCH(QString, box);
        QFETCH(QString, storedAfter);
        TestKit::Store(storedBefore);
        F.Clock->Set(now);
        F.Open(true, true);
        F.Form->Date_QDateEdit->setDate(target.date());
        F.Form->Time_QTimeEdit->setTime(target.time());
        F.Form->EveryDate_QRadioButton->setChecked(everyDay);
        F.Form->Date_EndWorkReminder_QDateEdit->setDate(target.date());
        F.Form->Time_EndWorkReminder_QTimeEdit->setTime(target.time());
        F.Form->TimeInterval_RestReminder_comboBox->setCurrentIndex(2);
        MainWindowProbe::LastRestHour(*F.Window) = 7;
        if (!box.isEmpty())
            F.Answerer->NextClick();
        F.Click(button);
        QCOMPARE(F.Answerer->Texts().join(""), box);
        QCOMPARE(TestKit::Stored(), storedAfter);
        QCOMPARE(MainWindowProbe::LastRestHour(*F.Window), 7); // arming keeps the hour counted from
    }

    void ticks_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("powerOffAccepted");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QList<QDateTime>>("moments");
        QTest::addColumn<QStringList>("seen"); // after each tick: power-off requests, balloons, label
        QTest::addColumn<QStringList>("balloons");
        const QString status = "statusLabel";
        const QString work = "ReminderInformation_EndWorkReminder_QLabel";
        const QString rest = "ReminderInformation_RestReminder_QLabel";
        const QList<QDateTime> start {At(1, 15, 9, 40)};
        QTest::newRow("shutdown not armed")
            << "" << false << status << start << QStringList("0 0 关机时间未设置!") << QStringList();
        QTest::newRow("end of work not armed")
            << "" << false << work << start << QStringList("0 0 下班时间提醒未设置!") << QStringList();
        QTest::newRow("rest not armed")
            << "" << false << rest << start << QStringList("0 0 休息时间提醒未设置!") << QStringList();
        QTest::newRow("a flag in another spelling")
            << Task(false, "TRUE", "2024/1/16", "8:00") << false << status << start
            << QStringList("0 0 关机时间未设置!") << QStringList();

        // Warned a minute before, carried out on every tick of its window with
        // the outcome shown, the countdown again afterwards; never disarmed.
        const QString once = "电脑将在 2024-01-15 09:41:00 关机,距离关机还有 ";
        const QString warning = "提示|电脑将在%1秒后关机,请保存好您的工作!|10000|1";
        QTest::newRow("shutdown once, accepted")
            << Task(false, "true", "2024/1/15", "9:41") << true << status
            << QList<QDateTime> {At(1, 15, 9, 40), At(1, 15, 9, 41), At(1, 15, 9, 41, 5), At(1, 15, 9, 41, 6)}
            << QStringList {"0 1 " + once + "0小时 1分钟 0秒", "1 1 Windows正在执行关机...",
                            "2 1 Windows正在执行关机...", "2 1 " + once + "0小时 0分钟 -6秒"}
            << QStringList(warning.arg(60));
        QTest::newRow("shutdown every day, refused")
            << Task(false, "true", "2024/1/15", "9:41", true) << false << status
            << QList<QDateTime> {At(1, 15, 9, 41), At(1, 16, 9, 40, 30), At(1, 16, 9, 41)}
            << QStringList {"1 0 Windows关机失败",
                            "1 1 电脑将在每天 09:41:00 关机,距离关机还有 0小时 0分钟 30秒",
                            "2 1 Windows关机失败"}
            << QStringList(warning.arg(30));

        // Restart is forced like power-off; sleep is asked for once per run,
        // and a system that does not allow it says so.
        QTest::newRow("restart once, accepted")
            << Task(false, "true", "2024/1/15", "9:41", false, "1") << true << status
            << QList<QDateTime> {At(1, 15, 9, 40, 30), At(1, 15, 9, 41, 2)}
            << QStringList {"0 1 电脑将在 2024-01-15 09:41:00 重启,距离重启还有 0小时 0分钟 30秒",
                            "1 1 电脑正在重启..."}
            << QStringList("提示|电脑将在30秒后重启,请保存好您的工作!|10000|1");
        const QString sleeping = "1 1 电脑正在进入睡眠...";
        QTest::newRow("sleep every day, asked once, with no window")
            << Task(false, "true", "2024/1/15", "9:41", true, "2") << true << status
            << QList<QDateTime> {At(1, 15, 9, 40, 30), At(1, 15, 9, 41), At(1, 15, 9, 41, 3),
                                 At(1, 15, 9, 41, 6), At(1, 16, 9, 41)}
            << QStringList {"0 1 电脑将在每天 09:41:00 睡眠,距离睡眠还有 0小时 0分钟 30秒", sleeping,
                            sleeping, "1 1 电脑将在每天 09:41:00 睡眠,距离睡眠还有 0小时 0分钟 -6秒",
                            "2 1 电脑正在进入睡眠..."}
            << QStringList("提示|电脑将在30秒后睡眠,请保存好您的工作!|10000|1");
        QTest::newRow("sleep not allowed")
            << Task(false, "true", "2024/1/15", "9:41", false, "2") << false << status
            << QList<QDateTime> {At(1, 15, 9, 41)} << QStringList("0 0 系统不允许睡眠") << QStringList();

        // A balloon on each tick of the window; a passed time counts to the next day.
        const QString endOfWork = "提示|下班时间到了,开始愉快的下班生活吧!|60000|1";
        const QString head = "您的下班时间是: 2024-01-15 17:30:00,距离下班时间还有 ";
        QTest::newRow("end of work once")
            << Task(true, "true", "2024/1/15", "17:30") << false << work
            << QList<QDateTime> {At(1, 15, 17, 30), At(1, 15, 17, 30, 4)}
            << QStringList {"0 1 " + head + "0小时 0分钟 0秒", "0 1 " + head + "23小时 59分钟 55秒"}
            << QStringList(endOfWork);
        QTest::newRow("end of work every day")
            << Task(true, "true", "2024/1/15", "17:30", true) << false << work
            << QList<QDateTime> {At(1, 16, 17, 30, 1)}
            << QStringList("0 1 您的下班时间是: 17:30:00,距离下班时间还有 23小时 59分钟 58秒")
            << QStringList(endOfWork);

        // Once at the due full hour, counted from the hour of the start (09:40);
        // the label keeps the countdown meanwhile.
        const QString next = "0 %1 距离下次休息时间还有 ";
        QTest::newRow("rest, every two hours")
            << Rest + "true;TimeInterval_RestReminder_comboBox=1_1_2_3_4" << false << rest
            << QList<QDateTime> {At(1, 15, 9, 40), At(1, 15, 11, 0), At(1, 15, 11, 0, 1), At(1, 15, 13, 0, 2)}
            << QStringList {next.arg(0) + "1小时 20分钟 0秒", next.arg(1) + "1小时 20分钟 0秒",
                            next.arg(1) + "1小时 59分钟 59秒", next.arg(2) + "1小时 59分钟 59秒"}
            << QStringList(
                   QVector<QString>(2, "提示|休息时间到了,喝点水活动下，对身体好哦!|10000|1").toList());
    }

    void ticks()
    {
        QFETCH(QString, stored);
        QFETCH(bool, powerOffAccepted);
        QFETCH(QString, label);
        QFETCH(QList<QDateTime>, moments);
        QFETCH(QStringList, seen);
        QFETCH(QStringList, balloons);
        TestKit::Store(stored);
        FakePowerOff::Reset(powerOffAccepted);
        F.Open(true, true);
        const QString storedAtStart = TestKit::Stored();
        for (int i = 0; i < moments.size(); ++i)
            QCOMPARE(TickAt(moments.at(i), F.Window->findChild<QLabel *>(label)), seen.at(i));
        QCOMPARE(F.Balloons->Texts(), balloons);
        QCOMPARE(TestKit::Stored(), storedAtStart);
        const QString chosen = stored.contains("ComboBox=1") ? "restart"
            : stored.contains("ComboBox=2")                  ? "sleep"
                                                             : "power-off";
        QCOMPARE(FakePowerOff::Requests.filter(chosen).size(), FakePowerOff::CallCount());
        QVERIFY(chosen != "sleep" || !Warning());
    }

    // Away for ten minutes is the rest: no balloon meanwhile, and the hours
    // count again from the return, even when the reminder was armed only
    // while away.
    void restCountsTimeAtTheDesk()
    {
        TestKit::Store(Rest + "false;TimeInterval_RestReminder_comboBox=0_1_2_3_4");
        qint64 idle = 700;
        IdleTime::SetSource([&idle] { return std::optional<qint64>(idle); });
        F.Open(true, true);
        const auto tick = [this](int hour, int minute) {
            return TickAt(At(1, 15, hour, minute), F.Form->ReminderInformation_RestReminder_QLabel);
        };
        QCOMPARE(tick(9, 50), QString("0 0 休息时间提醒未设置!"));
        TestKit::Store(Rest + "true");
        idle = 0;
        QCOMPARE(tick(9, 55), QString("0 0 距离下次休息时间还有 1小时 5分钟 0秒"));
        idle = 700;
        QCOMPARE(tick(11, 0), QString("0 0 距离下次休息时间还有 1小时 0分钟 0秒"));
        idle = 0;
        QCOMPARE(tick(11, 35), QString("0 0 距离下次休息时间还有 1小时 25分钟 0秒"));
        for (int minutes = 40; minutes < 120; minutes += 5) // ticks less than ten minutes apart
            tick(11 + minutes / 60, minutes % 60);
        QCOMPARE(tick(13, 0).left(4), QString("0 1 "));
        IdleTime::SetSource([] { return std::nullopt; });
    }

    // The target comes from the page at each tick, without setting it again.
    void editingThePageMovesTheShutdown()
    {
        TestKit::Store(Task(false, "true", "2024/1/15", "10:40"));
        F.Open(true, true);
        F.Form->Time_QTimeEdit->setTime(QTime(11, 0));
        QCOMPARE(TickAt(At(1, 15, 10, 40), F.Form->statusLabel),
                 QString("0 0 电脑将在 2024-01-15 11:00:00 关机,距离关机还有 0小时 20分钟 0秒"));
        QCOMPARE(TickAt(At(1, 15, 11, 0), F.Form->statusLabel).left(4), QString("1 0 "));
    }

    // A page never saved starts at the present minute. Armed, fired, and the
    // program ended without the close button: the next start aims at the stored
    // moment, not at the moment of the start.
    void aFiredShutdownDoesNotComeBackAtTheNextStart()
    {
        F.Clock->Set(At(1, 15, 9, 40, 17).addMSecs(250));
        F.Open(true, true);
        QCOMPARE(QDateTime(F.Form->Date_QDateEdit->date(), F.Form->Time_QTimeEdit->time()), At(1, 15, 9, 40));
        F.Form->Time_QTimeEdit->setTime(QTime(9, 41));
        F.Answerer->NextClick();
        F.Click("SetShutdown_QPushButton");
        TickAt(At(1, 15, 9, 41), F.Form->statusLabel);
        F.Open(true, true);
        QCOMPARE(TickAt(At(1, 15, 9, 50), F.Form->statusLabel),
                 QString("1 0 电脑将在 2024-01-15 09:41:00 关机,距离关机还有 0小时 -9分钟 0秒"));
    }

    // Set again, even for the same moment, the shutdown is announced again.
    void aWarningComesOncePerArming()
    {
        TestKit::Store(Task(false, "true", "2024/1/15", "10:00"));
        F.Open(true, true);
        for (int second = 0; second < 3; ++second)
            TickAt(At(1, 15, 9, 59, second), F.Form->statusLabel);
        F.Answerer->NextClick();
        F.Click("SetShutdown_QPushButton");
        TickAt(At(1, 15, 9, 59, 3), F.Form->statusLabel);
        QCOMPARE(F.Balloons->Texts(),
                 (QStringList {"提示|电脑将在60秒后关机,请保存好您的工作!|10000|1",
                               "提示|电脑将在57秒后关机,请保存好您的工作!|10000|1"}));
    }

    // The last minute before a forced power-off: a window that never takes
    // the focus, whose buttons change this run alone, kept across a restart.
    void theLastMinuteWindow()
    {
        TestKit::Store(Task(false, "true", "2024/1/15", "22:00", true));
        F.Open(true, true);
        TickAt(At(1, 15, 21, 58, 59), F.Form->statusLabel);
        QVERIFY(!WarningVisible());
        TickAt(At(1, 15, 21, 59, 30), F.Form->statusLabel);
        QVERIFY(WarningVisible());
        QWidget *warning = Warning();
        QCOMPARE(warning->findChild<QLabel *>()->text(), QString("将在 30 秒后关机"));
        QVERIFY(warning->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
        QVERIFY(warning->testAttribute(Qt::WA_ShowWithoutActivating));
        QVERIFY(QApplication::activeWindow() != warning);

        // Closed, it stays away for this run, which comes as armed.
        TestKit::Click(warning, "CloseWarning_QPushButton");
        QVERIFY(!WarningVisible() && !TickAt(At(1, 15, 21, 59, 31), F.Form->statusLabel).isEmpty());
        QVERIFY(!WarningVisible());
        TestKit::Store("ShutdownAction_QComboBox=1_关机_重启_睡眠");
        F.Open(true, true);
        TickAt(At(1, 15, 21, 59, 50), F.Form->statusLabel);
        QCOMPARE(Warning()->findChild<QLabel *>()->text(), QString("将在 10 秒后重启"));

        // Moved twice, then left out: nothing today, and the time edit keeps 22:00.
        TestKit::Click(Warning(), "Postpone_QPushButton");
        QCOMPARE(TickAt(At(1, 15, 22, 0, 2), F.Form->statusLabel),
                 QString("0 1 电脑将在 2024-01-15 22:10:00 重启(已推迟),距离重启还有 0小时 9分钟 58秒"));
        F.Open(true, true);
        TickAt(At(1, 15, 22, 9, 30), F.Form->statusLabel);
        TestKit::Click(Warning(), "Postpone_QPushButton");
        TickAt(At(1, 15, 22, 19, 1), F.Form->statusLabel);
        TestKit::Click(Warning(), "CancelOnce_QPushButton");
        for (const QDateTime &moment : {At(1, 15, 22, 20, 1), At(1, 16, 21, 0)})
            QCOMPARE(TickAt(moment, F.Form->statusLabel).left(2), QString("0 "));
        QCOMPARE(F.Form->Time_QTimeEdit->time(), QTime(22, 0));
        QCOMPARE(TickAt(At(1, 16, 22, 0, 1), F.Form->statusLabel).left(2), QString("1 "));

        // A one-off task is disarmed.
        F.Form->EveryDate_QRadioButton->setChecked(false);
        F.Form->Date_QDateEdit->setDate(QDate(2024, 1, 17));
        TickAt(At(1, 17, 21, 59, 30), F.Form->statusLabel);
        TestKit::Click(Warning(), "CancelOnce_QPushButton");
        QVERIFY(TestKit::Stored().contains("IsShutdownScheduled_Variable=false"));
    }

    // The arrow keys and the wheel move the minutes, as the form has it.
    void timeEditsStepTheMinutes()
    {
        F.Open(true, true);
        for (QTimeEdit *edit : {F.Form->Time_QTimeEdit, F.Form->Time_EndWorkReminder_QTimeEdit}) {
            QTest::keyClick(edit, Qt::Key_Up);
            QCOMPARE(edit->time(), QTime(9, 41));
        }
    }

    void anUnreadableMomentDisarmsItsTask_data()
    {
        QTest::addColumn<bool>("endOfWork");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("time");
        QTest::newRow("shutdown, time in another format") << false << "2024/1/16"
                                                          << "8:00 AM";
        QTest::newRow("shutdown, date never stored") << false << ""
                                                     << "8:00";
        QTest::newRow("end of work, date in another format") << true << "16.01.2024"
                                                             << "17:30";
    }

    // Stored by an older release under another locale: the page starts at the
    // present minute and the task is disarmed, so saving that minute and
    // starting again fires nothing, not even every day.
    void anUnreadableMomentDisarmsItsTask()
    {
        QFETCH(bool, endOfWork);
        QFETCH(QString, date);
        QFETCH(QString, time);
        TestKit::Store(Task(endOfWork, "true", date, time, true).remove("Date_QDateEdit=;"));
        F.Clock->Set(At(1, 15, 9, 40, 17));
        F.Open(true, true);
        const QDateEdit *dateEdit
            = endOfWork ? F.Form->Date_EndWorkReminder_QDateEdit : F.Form->Date_QDateEdit;
        const QTimeEdit *timeEdit
            = endOfWork ? F.Form->Time_EndWorkReminder_QTimeEdit : F.Form->Time_QTimeEdit;
        QCOMPARE(QDateTime(dateEdit->date(), timeEdit->time()), At(1, 15, 9, 40));
        QVERIFY(TestKit::Stored().contains(endOfWork ? "EndWorkReminderScheduled_Variable=false"
                                                     : "ShutdownScheduled_Variable=false"));
        F.Click("Close_pushButton");
        F.Open(true, true);
        const QLabel *label
            = endOfWork ? F.Form->ReminderInformation_EndWorkReminder_QLabel : F.Form->statusLabel;
        TickAt(At(1, 15, 9, 40), label);
        QCOMPARE(TickAt(At(1, 16, 9, 40, 1), label),
                 endOfWork ? QString("0 0 下班时间提醒未设置!") : QString("0 0 关机时间未设置!"));
    }

private:
    static QWidget *Warning()
    {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (widget->objectName() == QLatin1String("ShutdownWarning_QWidget"))
                return widget;
        }
        return nullptr;
    }
    static bool WarningVisible() { return Warning() && Warning()->isVisible(); }

    // One tick at the moment; then the power-off requests and balloons so far
    // and the text of the label.
    QString TickAt(const QDateTime &moment, const QLabel *label)
    {
        F.Clock->Set(moment);
        MainWindowProbe::Tick(*F.Window);
        return QStringLiteral("%1 %2 ").arg(FakePowerOff::CallCount()).arg(F.Balloons->Shown.size())
            + label->text();
    }

    TestKit::WindowFixture F;
};

VARNO_TEST_MAIN(TestTimedTasks)
#include "tst_timedtasks.moc"

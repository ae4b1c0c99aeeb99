#include "app/NavigationStyles.h"
#include "kit/MainWindowProbe.h"
#include "persistence/SettingsStore.h"
#include "persistence/WidgetState.h"

#include <QMenu>
#include <QSettings>

// The shell: what the form starts with that the program relies on, the
// navigation, the title bar, dragging, and closing into the tray or out of
// the program.
namespace {

const char *const NavigationButtons[] = {"pushButton1",
                                         "pushButton2",
                                         "pushButton3",
                                         "pushButton4",
                                         "EndWorkReminder_pushButton",
                                         "RestReminder_pushButton"};

QString Stored(const QString &key)
{
    return QSettings(SettingsStore::OrganisationName, SettingsStore::ApplicationName).value(key).toString();
}

// Runs the action inside the application's own loop, the only one a quit
// request ends, and tells whether it asked the application to quit: once a
// box was answered and is gone, a quit would have come within 200 ms.
bool QuitRequestedBy(const std::function<void()> &action, const TestKit::ModalAnswerer &answerer)
{
    QTimer::singleShot(0, action);
    QTimer poll;
    int quiet = 0;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!answerer.Records().isEmpty() && !QApplication::activeModalWidget() && ++quiet > 20)
            QCoreApplication::exit(1);
    });
    poll.start(10);
    QTimer::singleShot(20000, [] { QCoreApplication::exit(1); });
    return QCoreApplication::exec() == 0;
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void init() { F.Start(); }
    void cleanup() { F.Finish(); }

    void startsAsTheProgramExpects()
    {
        F.Open();
        QCOMPARE(F.Window->windowFlags() & (Qt::WindowType_Mask | Qt::FramelessWindowHint),
                 Qt::Dialog | Qt::FramelessWindowHint);
        QCOMPARE(F.Form->stackedWidget->currentIndex(), 0);
        QCOMPARE(MainWindowProbe::ApplicationTimer(*F.Window)->interval(), 1000);
        QVERIFY(MainWindowProbe::ApplicationTimer(*F.Window)->isActive());
        const QSpinBox *count = F.Form->WeiXinNumber_QSpinBox;
        QCOMPARE(QList<int>({count->minimum(), count->maximum(), count->value()}), QList<int>({1, 100, 1}));
        QCOMPARE(WidgetState::EncodeWidgetValue(F.Form->TimeInterval_RestReminder_comboBox),
                 QString("0_1_2_3_4"));
        QStringList checked;
        for (const QRadioButton *radio : F.Window->findChildren<QRadioButton *>())
            checked << (radio->isChecked() ? radio->objectName() : QString());
        checked.removeAll(QString());
        QCOMPARE(checked,
                 QStringList({"SingleImageEnable_QRadioButton", "NoneEnable_QRadioButton",
                              "TransprentEnable_QRadioButton"}));
        const QSystemTrayIcon *tray = MainWindowProbe::TrayIcon(*F.Window);
        QVERIFY(tray->isVisible() && !tray->icon().isNull());
        QCOMPARE(tray->toolTip(), QString("Varno软件"));
        QCOMPARE(tray->contextMenu()->actions(), QList<QAction *>({MainWindowProbe::QuitAction(*F.Window)}));
        QCOMPARE(MainWindowProbe::QuitAction(*F.Window)->text(), QString("退出"));
    }

    void navigation_data()
    {
        QTest::addColumn<QStringList>("clicks");
        QTest::addColumn<int>("page");
        for (int i = 0; i < 6; ++i)
            QTest::addRow("%s", NavigationButtons[i]) << QStringList {NavigationButtons[i]} << i;
        QTest::newRow("away and back") << QStringList {"RestReminder_pushButton", "pushButton1"} << 0;
    }

    void navigation()
    {
        QFETCH(QStringList, clicks);
        QFETCH(int, page);
        F.Open();
        for (const QString &name : clicks)
            F.Click(name);
        QCOMPARE(F.Form->stackedWidget->currentIndex(), page);
        for (int i = 0; i < 6; ++i)
            QCOMPARE(TestKit::Widget(F.Window.get(), NavigationButtons[i])->styleSheet(),
                     QString::fromLatin1(i == page ? NavButtonSelectedStyle : NavButtonUnselectedStyle));
    }

    // A press is enough; releasing elsewhere does not cancel.
    void titleButtonsActOnPress()
    {
        F.Open();
        const QRect normal = F.Window->geometry();
        TestKit::PressAndReleaseOutside(F.Form->Maximize_pushButton);
        QTRY_VERIFY(F.Window->isMaximized());
        TestKit::PressAndReleaseOutside(F.Form->Maximize_pushButton);
        QTRY_COMPARE(F.Window->geometry(), normal);
        TestKit::PressAndReleaseOutside(F.Form->Minimize_pushButton);
        QTRY_VERIFY(F.Window->isMinimized());
        // Neither maximised nor plain: left alone.
        F.Click("Maximize_pushButton");
        QVERIFY(F.Window->isMinimized() && !F.Window->isMaximized());
    }

    void dragging_data()
    {
        QTest::addColumn<QString>("handle");
        QTest::addColumn<int>("button");
        QTest::addColumn<bool>("moves");
        QTest::newRow("title label, left") << "Title_label" << int(Qt::LeftButton) << true;
        QTest::newRow("page panel, left") << "widget" << int(Qt::LeftButton) << true;
        QTest::newRow("title label, right") << "Title_label" << int(Qt::RightButton) << false;
        QTest::newRow("a line edit keeps its press")
            << "WeiXinPath_QLineEdit" << int(Qt::LeftButton) << false;
    }

    void dragging()
    {
        QFETCH(QString, handle);
        QFETCH(int, button);
        QFETCH(bool, moves);
        F.Open();
        QWidget *target = TestKit::Widget(F.Window.get(), handle);
        const QPoint start = F.Window->pos();
        const QPoint grab = target->mapTo(F.Window.get(), QPoint(12, 9));
        const auto send = [target](QEvent::Type type, const QPoint &global, Qt::MouseButton pressed) {
            QMouseEvent event(type, target->mapFromGlobal(global), global, pressed,
                              type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(pressed),
                              Qt::NoModifier);
            QApplication::sendEvent(target, &event);
        };
        const QPoint pressed = F.Window->mapToGlobal(grab);
        send(QEvent::MouseButtonPress, pressed, Qt::MouseButton(button));
        send(QEvent::MouseMove, pressed + QPoint(150, 80), Qt::MouseButton(button));
        // The pressed point stays under the cursor.
        QCOMPARE(F.Window->pos(), moves ? pressed + QPoint(150, 80) - grab : start);
        send(QEvent::MouseButtonRelease, pressed + QPoint(150, 80), Qt::MouseButton(button));
        const QPoint released = F.Window->pos();
        send(QEvent::MouseMove, pressed + QPoint(190, 120), Qt::NoButton);
        QCOMPARE(F.Window->pos(), released);
    }

    void closeHidesIntoTheTray_data()
    {
        QTest::addColumn<QString>("counter"); // null: never stored
        QTest::addColumn<bool>("hint");
        QTest::addColumn<QString>("counterAfter");
        QTest::newRow("first close") << QString() << true << "1";
        QTest::newRow("third close") << "2" << true << "3";
        QTest::newRow("fourth close") << "3" << false << "4";
        QTest::newRow("not a number") << "lots" << true << "1";
        QTest::newRow("largest int") << "2147483647" << false << "2147483648";
    }

    // The close button saves what was typed, then hides the window; the program
    // and its tasks go on in the tray.
    void closeHidesIntoTheTray()
    {
        QFETCH(QString, counter);
        QFETCH(bool, hint);
        QFETCH(QString, counterAfter);
        if (!counter.isNull())
            SettingsStore::WriteText(SettingsStore::ApplicationShowCounterKey, counter);
        F.Open();
        F.Form->IconWidth_QLineEdit->setText("64");
        F.Click("Close_pushButton");
        QVERIFY(!F.Window->isVisible() && MainWindowProbe::TrayIcon(*F.Window)->isVisible());
        QCOMPARE(Stored("IconWidth_QLineEdit"), QString("64"));
        QCOMPARE(Stored(SettingsStore::ApplicationShowCounterKey), counterAfter);
        QCOMPARE(F.Balloons->Texts(),
                 hint ? QStringList("提示|程序已最小化到托盘,鼠标左键双击图标可打开程序|2000|1")
                      : QStringList());
    }

    void trayIconBringsTheWindowBack()
    {
        F.Open();
        F.Window->close();
        QSystemTrayIcon *tray = MainWindowProbe::TrayIcon(*F.Window);
        emit tray->activated(QSystemTrayIcon::Trigger);
        QVERIFY(!F.Window->isVisible());
        emit tray->activated(QSystemTrayIcon::DoubleClick);
        QVERIFY(F.Window->isVisible());
        // The offscreen platform cannot raise, but it hands over the focus.
        QTRY_COMPARE(QGuiApplication::focusWindow(), F.Window->windowHandle());
    }

    void quitting_data()
    {
        QTest::addColumn<bool>("tray");
        QTest::addColumn<bool>("hidden");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("quits");
        // From the tray menu, the window shown or hidden in the tray.
        QTest::newRow("tray menu, yes") << true << false << int(QMessageBox::Yes) << true;
        QTest::newRow("tray menu, yes while hidden") << true << true << int(QMessageBox::Yes) << true;
        QTest::newRow("tray menu, no while hidden") << true << true << int(QMessageBox::No) << false;
        QTest::newRow("tray menu, box closed") << true << false << int(QMessageBox::Escape) << false;
        // Without a tray to hide into, closing asks the same question.
        QTest::newRow("no tray, close, yes") << false << false << int(QMessageBox::Yes) << true;
        QTest::newRow("no tray, close, no: minimised") << false << false << int(QMessageBox::No) << false;
    }

    // Quitting saves what was typed; answering no leaves everything as it was.
    void quitting()
    {
        QFETCH(bool, tray);
        QFETCH(bool, hidden);
        QFETCH(int, answer);
        QFETCH(bool, quits);
        F.Open(tray);
        if (hidden)
            F.Window->close();
        F.Form->IconHeight_QLineEdit->setText("77");
        if (answer == QMessageBox::Escape)
            F.Answerer->NextCancel();
        else
            F.Answerer->NextClick(QMessageBox::StandardButton(answer));
        QAction *quit = MainWindowProbe::QuitAction(*F.Window);
        QCOMPARE(QuitRequestedBy([&] { tray ? quit->trigger() : void(F.Window->close()); }, *F.Answerer),
                 quits);

        QCOMPARE(F.Answerer->Texts(), QStringList("确认/是否退出程序？"));
        QCOMPARE(F.Answerer->Records().first().parent.data(), F.Window.get());
        QCOMPARE(F.Answerer->Records().first().buttons.size(), 2);
        QCOMPARE(Stored("IconHeight_QLineEdit"), quits ? QString("77") : QString());
        QCOMPARE(MainWindowProbe::TrayIcon(*F.Window)->isVisible(), !quits);
        if (!quits)
            QTRY_VERIFY(tray ? F.Window->isVisible() == !hidden : F.Window->isMinimized());
        QVERIFY(F.Balloons->Shown.size() == (hidden ? 1 : 0));
    }

private:
    TestKit::WindowFixture F;
};

VARNO_TEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"

#include "app/SystemTray.h"
#include "kit/MainWindowProbe.h"
#include "kit/TestKit.h"
#include "persistence/SettingsStore.h"

#include <QAction>
#include <QMenu>
#include <QSettings>
#include <QtTest>

#include <memory>

namespace {

const QString HintText = QStringLiteral("程序已最小化到托盘,鼠标左键双击图标可打开程序");

QSettings Store()
{
    return QSettings(SettingsStore::OrganisationName, SettingsStore::ApplicationName);
}

// Runs `action` inside the application's event loop and tells whether it
// asked the application to quit. The application loop is used rather than a
// local one because only QCoreApplication::exec() clears the quit request
// again for the tests that follow.
bool QuitRequestedBy(const std::function<void()> &action)
{
    QTimer::singleShot(0, action);
    QTimer timeout;
    timeout.setSingleShot(true);
    QObject::connect(&timeout, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    timeout.start(1500);
    return QCoreApplication::exec() == 0;
}

} // namespace

class TestTray : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void trayIsSetUp();
    void closingHidesAndCountsHints_data();
    void closingHidesAndCountsHints();
    void hintOnlyOnTheFirstThreeCloses();
    void doubleClickBringsTheWindowBack_data();
    void doubleClickBringsTheWindowBack();
    void quitConfirmation_data();
    void quitConfirmation();
    void closeWithHiddenTrayIconEndsTheWindow();
    void withoutATrayCloseAsksToQuit_data();
    void withoutATrayCloseAsksToQuit();

private:
    void MakeWindow(bool trayAvailable);

    std::unique_ptr<TestKit::IsolatedSettings> Settings;
    std::unique_ptr<TestKit::ModalAnswerer> Answerer;
    std::unique_ptr<MainWindow> Window;
    RecordingNotifier *Balloons = nullptr;
};

void TestTray::init()
{
    Settings = std::make_unique<TestKit::IsolatedSettings>();
    Answerer = std::make_unique<TestKit::ModalAnswerer>();
}

void TestTray::cleanup()
{
    Window.reset();
    QCOMPARE(Answerer->UnexpectedCount(), 0);
    Answerer.reset();
    SystemTray::SetAvailabilityOverride(std::nullopt);
    Settings.reset();
}

void TestTray::MakeWindow(bool trayAvailable)
{
    SystemTray::SetAvailabilityOverride(trayAvailable);
    Window = std::make_unique<MainWindow>();
    Balloons = RecordingNotifier::InstallOn(*Window);
    Window->show();
    QVERIFY(QTest::qWaitForWindowExposed(Window.get()));
}

void TestTray::trayIsSetUp()
{
    MakeWindow(true);
    QSystemTrayIcon *tray = MainWindowProbe::TrayIcon(*Window);
    QVERIFY(tray->isVisible());
    QCOMPARE(tray->toolTip(), QString("Varno软件"));
    QVERIFY(!tray->icon().isNull());
    QCOMPARE(tray->contextMenu(), MainWindowProbe::TrayMenu(*Window));
    const QList<QAction *> actions = tray->contextMenu()->actions();
    QCOMPARE(actions.size(), 1);
    QCOMPARE(actions.first()->text(), QString("退出"));
    QCOMPARE(tray->parent(), Window.get());
}

void TestTray::closingHidesAndCountsHints_data()
{
    QTest::addColumn<QString>("stored"); // null: no key yet
    QTest::addColumn<bool>("hint");
    QTest::addColumn<QString>("storedAfter");

    QTest::newRow("first close") << QString() << true << "1";
    QTest::newRow("third close") << "2" << true << "3";
    QTest::newRow("fourth close") << "3" << false << "4";
    QTest::newRow("far beyond") << "250" << false << "251";
    QTest::newRow("not a number") << "lots" << true << "1";
    QTest::newRow("beyond int") << "99999999999" << true << "1";
    QTest::newRow("largest int") << "2147483647" << false << "2147483648";
}

void TestTray::closingHidesAndCountsHints()
{
    QFETCH(QString, stored);
    QFETCH(bool, hint);
    QFETCH(QString, storedAfter);

    if (!stored.isNull())
        Store().setValue(SettingsStore::ApplicationShowCounterKey, stored);
    MakeWindow(true);

    QVERIFY(!Window->close());
    QVERIFY(!Window->isVisible());
    QVERIFY(MainWindowProbe::TrayIcon(*Window)->isVisible());
    QCOMPARE(Store().value(SettingsStore::ApplicationShowCounterKey).toString(), storedAfter);
    QCOMPARE(Balloons->Shown.size(), hint ? 1 : 0);
    if (hint) {
        const RecordedBalloon &balloon = Balloons->Shown.first();
        QCOMPARE(balloon.title, QString("提示"));
        QCOMPARE(balloon.message, HintText);
        QCOMPARE(balloon.icon, QSystemTrayIcon::Information);
        QCOMPARE(balloon.milliseconds, 2000);
    }
    QCOMPARE(Answerer->Records().size(), 0);
}

void TestTray::hintOnlyOnTheFirstThreeCloses()
{
    MakeWindow(true);
    for (int i = 0; i < 4; ++i) {
        Window->show();
        TestKit::Click(Window.get(), "Close_pushButton");
        QVERIFY(!Window->isVisible());
    }
    QCOMPARE(Balloons->Shown.size(), 3);
    QCOMPARE(Store().value(SettingsStore::ApplicationShowCounterKey).toString(), QString("4"));
}

void TestTray::doubleClickBringsTheWindowBack_data()
{
    QTest::addColumn<int>("reason");
    QTest::addColumn<bool>("shown");
    QTest::newRow("double click") << int(QSystemTrayIcon::DoubleClick) << true;
    QTest::newRow("single click") << int(QSystemTrayIcon::Trigger) << false;
    QTest::newRow("middle click") << int(QSystemTrayIcon::MiddleClick) << false;
    QTest::newRow("context") << int(QSystemTrayIcon::Context) << false;
}

void TestTray::doubleClickBringsTheWindowBack()
{
    QFETCH(int, reason);
    QFETCH(bool, shown);
    MakeWindow(true);
    Window->close();
    QVERIFY(!Window->isVisible());

    emit MainWindowProbe::TrayIcon(*Window)->activated(QSystemTrayIcon::ActivationReason(reason));
    QCOMPARE(Window->isVisible(), shown);
    // The offscreen platform cannot raise and does not report a re-shown
    // window as active, but it does hand it the focus.
    if (shown)
        QTRY_COMPARE(QGuiApplication::focusWindow(), Window->windowHandle());
}

void TestTray::quitConfirmation_data()
{
    QTest::addColumn<bool>("windowHidden");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("quits");
    QTest::newRow("yes") << false << int(QMessageBox::Yes) << true;
    QTest::newRow("no") << false << int(QMessageBox::No) << false;
    QTest::newRow("yes while hidden") << true << int(QMessageBox::Yes) << true;
    QTest::newRow("no while hidden") << true << int(QMessageBox::No) << false;
    QTest::newRow("box closed") << false << int(QMessageBox::Escape) << false;
}

void TestTray::quitConfirmation()
{
    QFETCH(bool, windowHidden);
    QFETCH(int, answer);
    QFETCH(bool, quits);
    MakeWindow(true);
    if (windowHidden)
        Window->close();
    MainWindowProbe::Form(*Window)->IconHeight_QLineEdit->setText("77");

    if (answer == QMessageBox::Escape)
        Answerer->NextCancel();
    else
        Answerer->NextClick(QMessageBox::StandardButton(answer));
    const bool quitRequested = QuitRequestedBy([&] { MainWindowProbe::QuitAction(*Window)->trigger(); });

    QCOMPARE(quitRequested, quits);
    QCOMPARE(Answerer->Records().size(), 1);
    const TestKit::ModalRecord &box = Answerer->Records().first();
    QCOMPARE(box.className, QString("QMessageBox"));
    QCOMPARE(box.title, QString("确认"));
    QCOMPARE(box.text, QString("是否退出程序？"));
    QCOMPARE(box.icon, QMessageBox::Question);
    QCOMPARE(box.buttons.size(), 2);
    QVERIFY(box.buttons.contains(QMessageBox::Yes) && box.buttons.contains(QMessageBox::No));
    QCOMPARE(box.parent.data(), static_cast<QWidget *>(Window.get()));

    QCOMPARE(MainWindowProbe::TrayIcon(*Window)->isVisible(), !quits);
    QCOMPARE(Window->isVisible(), !windowHidden);
    QCOMPARE(Store().value("IconHeight_QLineEdit").toString(), quits ? QString("77") : QString());
}

void TestTray::closeWithHiddenTrayIconEndsTheWindow()
{
    MakeWindow(true);
    MainWindowProbe::TrayIcon(*Window)->hide();
    QVERIFY(Window->close());
    QVERIFY(!Window->isVisible());
    QCOMPARE(Balloons->Shown.size(), 0);
    QVERIFY(!Store().contains(SettingsStore::ApplicationShowCounterKey));
}

void TestTray::withoutATrayCloseAsksToQuit_data()
{
    QTest::addColumn<int>("answer");
    QTest::newRow("yes ends the program") << int(QMessageBox::Yes);
    QTest::newRow("no minimises") << int(QMessageBox::No);
}

void TestTray::withoutATrayCloseAsksToQuit()
{
    QFETCH(int, answer);
    const bool yes = answer == QMessageBox::Yes;
    MakeWindow(false);
    MainWindowProbe::Form(*Window)->Radius_QLineEdit->setText("33");

    Answerer->NextClick(QMessageBox::StandardButton(answer));
    bool closed = false;
    const bool quitRequested = QuitRequestedBy([&] { closed = Window->close(); });

    QCOMPARE(Answerer->Records().size(), 1);
    QCOMPARE(Answerer->Records().first().title, QString("确认"));
    QCOMPARE(Answerer->Records().first().text, QString("是否退出程序？"));
    QCOMPARE(quitRequested, yes);
    QCOMPARE(closed, yes);
    if (!yes) {
        QVERIFY(Window->isVisible());
        QTRY_VERIFY(Window->isMinimized());
    }
    QCOMPARE(Store().value("Radius_QLineEdit").toString(), yes ? QString("33") : QString());
    QCOMPARE(Balloons->Shown.size(), 0);
    QVERIFY(!Store().contains(SettingsStore::ApplicationShowCounterKey));
}

VARNO_TEST_MAIN(TestTray)
#include "tst_tray.moc"

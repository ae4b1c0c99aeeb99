#include "app/NavigationStyles.h"
#include "app/SystemTray.h"
#include "kit/MainWindowProbe.h"
#include "kit/TestKit.h"
#include "persistence/SettingsStore.h"

#include <QSettings>
#include <QtTest>

#include <memory>

namespace {

const char *const NavigationButtonNames[] = {"pushButton1",
                                             "pushButton2",
                                             "pushButton3",
                                             "pushButton4",
                                             "EndWorkReminder_pushButton",
                                             "RestReminder_pushButton"};

void SendMouse(QWidget *target, QEvent::Type type, Qt::MouseButton button, QPoint local)
{
    const Qt::MouseButtons held
        = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent event(type, local, target->mapToGlobal(local), button, held, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void opensNormalOnTheFirstPage();
    void navigation_data();
    void navigation();
    void titleButtonsCarryTheirIcons();
    void maximiseRestoreAndMinimise();
    void titleButtonsActOnPress();
    void dragging_data();
    void dragging();
    void closeButtonSavesBeforeHiding();
    void ownsItsListModel();

private:
    std::unique_ptr<TestKit::IsolatedSettings> Settings;
    std::unique_ptr<TestKit::ModalAnswerer> Answerer;
    std::unique_ptr<MainWindow> Window;
};

void TestMainWindow::init()
{
    Settings = std::make_unique<TestKit::IsolatedSettings>();
    Answerer = std::make_unique<TestKit::ModalAnswerer>();
    SystemTray::SetAvailabilityOverride(true);
    Window = std::make_unique<MainWindow>();
    RecordingNotifier::InstallOn(*Window);
    Window->show();
    QVERIFY(QTest::qWaitForWindowExposed(Window.get()));
}

void TestMainWindow::cleanup()
{
    Window.reset();
    QCOMPARE(Answerer->UnexpectedCount(), 0);
    Answerer.reset();
    SystemTray::SetAvailabilityOverride(std::nullopt);
    Settings.reset();
}

void TestMainWindow::opensNormalOnTheFirstPage()
{
    QCOMPARE(Window->windowState(), Qt::WindowNoState);
    QCOMPARE(Window->size(), QSize(1072, 720));
    QCOMPARE(MainWindowProbe::Form(*Window)->stackedWidget->currentIndex(), 0);
    QVERIFY(Window->windowFlags().testFlag(Qt::FramelessWindowHint));
    QCOMPARE(Window->windowFlags() & Qt::WindowType_Mask, Qt::Dialog);
    QVERIFY(MainWindowProbe::ApplicationTimer(*Window)->isActive());
    QCOMPARE(MainWindowProbe::ApplicationTimer(*Window)->interval(), 1000);
}

void TestMainWindow::navigation_data()
{
    QTest::addColumn<QStringList>("clicks");
    QTest::addColumn<int>("page");
    for (int i = 0; i < 6; ++i)
        QTest::addRow("%s", NavigationButtonNames[i]) << QStringList {NavigationButtonNames[i]} << i;
    QTest::newRow("same button twice") << QStringList {"pushButton3", "pushButton3"} << 2;
    QTest::newRow("away and back") << QStringList {"RestReminder_pushButton", "pushButton1"} << 0;
}

void TestMainWindow::navigation()
{
    QFETCH(QStringList, clicks);
    QFETCH(int, page);

    for (const QString &name : clicks)
        TestKit::Click(Window.get(), name);

    QCOMPARE(MainWindowProbe::Form(*Window)->stackedWidget->currentIndex(), page);
    for (int i = 0; i < 6; ++i) {
        const QString sheet = TestKit::Widget(Window.get(), NavigationButtonNames[i])->styleSheet();
        QCOMPARE(sheet, QString::fromLatin1(i == page ? NavButtonSelectedStyle : NavButtonUnselectedStyle));
    }
}

void TestMainWindow::titleButtonsCarryTheirIcons()
{
    for (const char *name : {"Minimize_pushButton", "Maximize_pushButton", "Close_pushButton"}) {
        auto *button = TestKit::Find<QPushButton>(Window.get(), name);
        QVERIFY2(!button->icon().isNull(), name);
        QCOMPARE(button->iconSize(), QSize(30, 30));
    }
    const QPixmap logo = TestKit::LabelPixmap(MainWindowProbe::Form(*Window)->Logo_label);
    QVERIFY(!logo.isNull());
    QCOMPARE(logo.size(), QSize(30, 30));
    QCOMPARE(MainWindowProbe::ApplicationDirPath(*Window), QCoreApplication::applicationDirPath() + "/");
}

void TestMainWindow::maximiseRestoreAndMinimise()
{
    const QRect normalGeometry = Window->geometry();

    TestKit::Click(Window.get(), "Maximize_pushButton");
    QTRY_VERIFY(Window->isMaximized());

    TestKit::Click(Window.get(), "Maximize_pushButton");
    QTRY_COMPARE(Window->windowState(), Qt::WindowNoState);
    QTRY_COMPARE(Window->geometry(), normalGeometry);

    TestKit::Click(Window.get(), "Minimize_pushButton");
    QTRY_VERIFY(Window->isMinimized());

    // Neither maximised nor plain: the button leaves the window alone.
    TestKit::Click(Window.get(), "Maximize_pushButton");
    QVERIFY(Window->isMinimized());
    QVERIFY(!Window->isMaximized());
}

void TestMainWindow::titleButtonsActOnPress()
{
    TestKit::PressAndReleaseOutside(TestKit::Widget(Window.get(), "Maximize_pushButton"));
    QTRY_VERIFY(Window->isMaximized());
}

void TestMainWindow::dragging_data()
{
    QTest::addColumn<QString>("handle");
    QTest::addColumn<int>("button");
    QTest::addColumn<bool>("pressFirst");
    QTest::addColumn<bool>("moves");

    QTest::newRow("title label, left") << "Title_label" << int(Qt::LeftButton) << true << true;
    QTest::newRow("bottom bar, left") << "widget_bottom" << int(Qt::LeftButton) << true << true;
    QTest::newRow("page panel, left") << "widget" << int(Qt::LeftButton) << true << true;
    QTest::newRow("title label, right") << "Title_label" << int(Qt::RightButton) << true << false;
    QTest::newRow("move without press") << "Title_label" << int(Qt::LeftButton) << false << false;
    QTest::newRow("line edit takes its own press")
        << "WeiXinPath_QLineEdit" << int(Qt::LeftButton) << true << false;
}

void TestMainWindow::dragging()
{
    QFETCH(QString, handle);
    QFETCH(int, button);
    QFETCH(bool, pressFirst);
    QFETCH(bool, moves);

    QWidget *target = TestKit::Widget(Window.get(), handle);
    QVERIFY(target);
    const QPoint start = Window->pos();
    const QPoint grab(12, 9);
    const QPoint grabInWindow = target->mapTo(Window.get(), grab);
    const Qt::MouseButton mouseButton = Qt::MouseButton(button);

    if (pressFirst)
        SendMouse(target, QEvent::MouseButtonPress, mouseButton, grab);
    const QPoint globalTarget = Window->mapToGlobal(grabInWindow) + QPoint(150, 80);
    QMouseEvent move(QEvent::MouseMove, target->mapFromGlobal(globalTarget), globalTarget, Qt::NoButton,
                     Qt::MouseButtons(mouseButton), Qt::NoModifier);
    QApplication::sendEvent(target, &move);

    if (moves) {
        QCOMPARE(MainWindowProbe::DragOffset(*Window), grabInWindow);
        // The pressed point stays under the cursor.
        QCOMPARE(Window->pos(), globalTarget - grabInWindow);
    } else {
        QCOMPARE(Window->pos(), start);
    }

    SendMouse(target, QEvent::MouseButtonRelease, mouseButton, grab);
    QVERIFY(!MainWindowProbe::IsDragging(*Window));
    const QPoint afterRelease = Window->pos();
    QMouseEvent strayMove(QEvent::MouseMove, grab, target->mapToGlobal(grab) + QPoint(40, 40), Qt::NoButton,
                          Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(target, &strayMove);
    QCOMPARE(Window->pos(), afterRelease);
}

void TestMainWindow::closeButtonSavesBeforeHiding()
{
    MainWindowProbe::Form(*Window)->IconWidth_QLineEdit->setText("64");
    TestKit::Click(Window.get(), "Close_pushButton");
    QVERIFY(!Window->isVisible());
    QSettings store(SettingsStore::OrganisationName, SettingsStore::ApplicationName);
    QCOMPARE(store.value("IconWidth_QLineEdit").toString(), QString("64"));
}

void TestMainWindow::ownsItsListModel()
{
    QPointer<QStandardItemModel> model = MainWindowProbe::ListItemModel(*Window);
    QVERIFY(model);
    QVERIFY(!model->parent());
    QCOMPARE(model->rowCount(), 0);
    Window.reset();
    QVERIFY(!model);
}

VARNO_TEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"

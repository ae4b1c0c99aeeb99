#include "app/NavigationStyles.h"
#include "app/SignInStart.h"
#include "app/SingleInstance.h"
#include "kit/MainWindowProbe.h"
#include "persistence/SettingsStore.h"
#include "persistence/WidgetState.h"

#include <QLocalSocket>
#include <QMenu>
#include <QProcess>
#include <QSettings>

// The shell: what the form starts with that the program relies on, the
// navigation, the title bar, dragging, and closing into the tray or out of
// the program.
namespace {

const QString RunKey = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const QString EntryName = "/autostart/com.varnosoftware.VarnoSoftware.desktop";

// The start at sign-in as the system holds it: the autostart entry, or the
// Run value as Windows' own tool reads it.
QString SignInEntry(const QString &config)
{
#ifdef Q_OS_WIN
    Q_UNUSED(config)
    QProcess reg;
    reg.start("reg", {"query", RunKey, "/v", "VarnoSoftware"});
    reg.waitForFinished(30000);
    return QString::fromLocal8Bit(reg.readAllStandardOutput()).simplified().section(" REG_SZ ", 1);
#else
    QFile entry(config + EntryName);
    return entry.open(QIODevice::ReadOnly) ? QString::fromUtf8(entry.readAll()) : QString();
#endif
}

// As another program leaves it (empty: none).
void SetSignInEntry(const QString &config, const QByteArray &contents)
{
#ifdef Q_OS_WIN
    Q_UNUSED(config)
    QSettings run(RunKey, QSettings::NativeFormat);
    contents.isEmpty() ? run.remove("VarnoSoftware")
                       : run.setValue("VarnoSoftware", QString::fromUtf8(contents));
#else
    QDir().mkpath(config + "/autostart");
    QFile entry(config + EntryName);
    contents.isEmpty() ? entry.remove() : entry.open(QIODevice::WriteOnly) && entry.write(contents);
#endif
}

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
        QStringList entries;
        for (const QAction *action : tray->contextMenu()->actions())
            entries << action->text() + (action->isCheckable() ? "[ ]" : "");
        QCOMPARE(entries, QStringList({"开机时启动[ ]", "退出"}));
        QCOMPARE(tray->contextMenu()->actions().last(), MainWindowProbe::QuitAction(*F.Window));
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

    // As it was left: maximised, on its page.
    void trayIconBringsTheWindowBack()
    {
        F.Open();
        F.Click("pushButton3");
        F.Click("Maximize_pushButton");
        F.Window->close();
        QSystemTrayIcon *tray = MainWindowProbe::TrayIcon(*F.Window);
        emit tray->activated(QSystemTrayIcon::Trigger);
        QVERIFY(!F.Window->isVisible());
        emit tray->activated(QSystemTrayIcon::DoubleClick);
        QVERIFY(F.Window->isVisible() && F.Window->isMaximized());
        QCOMPARE(F.Form->stackedWidget->currentIndex(), 2);
        // The offscreen platform cannot raise, but it hands over the focus.
        QTRY_COMPARE(QGuiApplication::focusWindow(), F.Window->windowHandle());
        F.Click("Minimize_pushButton");
        F.Window->BringBack();
        QTRY_VERIFY(!F.Window->isMinimized() && F.Window->isMaximized());
    }

    // Without a tray, a start at sign-in shows its window after its wait
    // (a tray that comes meanwhile is run for real by tst_startup).
    void signInStartWithoutTray()
    {
        SystemTray::SetAvailabilityOverride(false);
        MainWindow window;
        window.StartInTray(300);
        QVERIFY(!window.isVisible());
        QTRY_VERIFY(window.isVisible());
    }

    // The check mark is the system's state, read as the menu opens; the
    // action writes the entry afresh or removes it.
    void signInStartFromTheTray_data()
    {
        QTest::addColumn<QByteArray>("outside"); // left by someone else; empty: nothing
        QTest::addColumn<bool>("checked");
        QTest::newRow("none") << QByteArray() << false;
#ifdef Q_OS_WIN
        const QByteArray program = QDir::toNativeSeparators(QCoreApplication::applicationFilePath()).toUtf8();
        QTest::newRow("the installer's") << "\"" + program + "\" --autostart" << true;
        QTest::newRow("program gone") << QByteArray("\"C:\\gone\\VarnoSoftware.exe\" --autostart") << false;
#else
        QTest::newRow("by hand") << QByteArray("[Desktop Entry]\nType=Application\nExec=x\n") << true;
        QTest::newRow("program gone")
            << QByteArray("[Desktop Entry]\nExec=x\nTryExec=/nonexistent/x\n") << false;
        QTest::newRow("hidden") << QByteArray("[Desktop Entry]\nExec=x\nHidden=true\n") << false;
        QTest::newRow("off in GNOME")
            << QByteArray("[Desktop Entry]\nX-GNOME-Autostart-enabled=false\n") << false;
#endif
    }

    void signInStartFromTheTray()
    {
        QFETCH(QByteArray, outside);
        QFETCH(bool, checked);
        QTemporaryDir config;
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
        SetSignInEntry(config.path(), outside);
        // The title bar has the tray's menu, for desktops without a tray.
        F.Open(false);
        emit F.Form->widget_top->customContextMenuRequested(QPoint(5, 5));
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QVERIFY(menu && menu->actions().contains(MainWindowProbe::QuitAction(*F.Window)));
        menu->close();
        QAction *action = menu->actions().first();
        emit menu->aboutToShow();
        QCOMPARE(action->isChecked(), checked);
        for (const bool on : {!checked, checked}) {
            action->trigger();
            QCOMPARE(action->isChecked(), on);
            QCOMPARE(SignInEntry(config.path()),
                     on ? SignInStart::EntryText(SignInStart::ProgramPath()) : QString());
        }
        SetSignInEntry(config.path(), QByteArray());
        qunsetenv("XDG_CONFIG_HOME");
    }

#ifndef Q_OS_WIN
    // The desktop's own readers start the program whatever its path holds:
    // GLib's (gio launch), and systemd's, which turns the entry into a unit.
    // Installed, the entry names the package's bin link, the name that stays.
    void signInEntry_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::newRow("quotes, dollar, percent, blank") << "a\"b$c`d%e f";
        QTest::newRow("backslash") << "g\\h";
    }

    void signInEntry()
    {
        QFETCH(QString, folder);
        QTemporaryDir config;
        const QString program = config.filePath(folder + "/prog");
        QDir().mkpath(QFileInfo(program).path());
        QDir().mkpath(config.filePath("autostart"));
        QFile script(program);
        script.open(QIODevice::WriteOnly);
        script.write("#!/bin/sh\necho \"$@\" > \"$(readlink -f \"$0\").ran\"\n");
        script.setPermissions(script.permissions() | QFileDevice::ExeOwner);
        script.close();
        qputenv("XDG_DATA_HOME", config.filePath("data").toLocal8Bit());
        SetSignInEntry(config.path(), SignInStart::EntryText(SignInStart::LaunchPath(program)).toUtf8());
        qunsetenv("XDG_DATA_HOME");
        const QString entry = config.path() + EntryName;
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
        qputenv("XDG_CONFIG_DIRS", config.filePath("none").toLocal8Bit());
        const QString units = config.filePath("units");
        QDir().mkpath(units);
        QCOMPARE(QProcess::execute("desktop-file-validate", {entry}), 0);
        QCOMPARE(QProcess::execute("gio", {"launch", entry}), 0);
        QCOMPARE(QProcess::execute("/usr/lib/systemd/user-generators/systemd-xdg-autostart-generator",
                                   {units, units, units}),
                 0);
        qunsetenv("XDG_CONFIG_HOME");
        qunsetenv("XDG_CONFIG_DIRS");
        QVERIFY(QFileInfo::exists(units + "/app-com.varnosoftware.VarnoSoftware@autostart.service"));
        const auto ranWith = [&] {
            QFile ran(program + ".ran");
            return ran.open(QIODevice::ReadOnly) ? ran.readAll() : QByteArray();
        };
        QTRY_COMPARE(ranWith(), QByteArray("--autostart\n"));

        const QString link
            = QDir::cleanPath(QCoreApplication::applicationDirPath() + "/../../bin/varnosoftware");
        QVERIFY(QDir().mkpath(QFileInfo(link).path()));
        QFile::remove(link);
        QCOMPARE(SignInStart::ProgramPath(), QCoreApplication::applicationFilePath());
        QVERIFY(QFile::link(QCoreApplication::applicationFilePath(), link));
        QCOMPARE(SignInStart::ProgramPath(), link);
        QFile::remove(link);
    }
#endif

#ifndef Q_OS_WIN
    // One rendezvous per display: another X login has a program of its own,
    // and the spellings of one display meet.
    void rendezvousPerDisplay()
    {
        const QByteArray display = qgetenv("DISPLAY");
        const auto nameFor = [](const char *value) {
            qputenv("DISPLAY", value);
            return SingleInstance::SessionName();
        };
        QCOMPARE(nameFor("unix:0"), nameFor(":0"));
        QCOMPARE(nameFor(":0.1"), nameFor(":0"));
        QVERIFY(nameFor(":1") != nameFor(":0"));
        qputenv("DISPLAY", display);
    }

    // What another start asks arrives with the launcher's startup id; a peer
    // that sends more than any request without ending its line is cut off.
    void requestsOfAnotherStart()
    {
        QTemporaryDir folder;
        SingleInstance instance(folder.filePath("rendezvous"));
        QCOMPARE(instance.Claim(SingleInstance::Request::Show), SingleInstance::Outcome::Run);
        QByteArray startupId;
        connect(&instance, &SingleInstance::ShowRequested,
                [&](const SingleInstance::Activation &activation) { startupId = activation.startupId; });
        QLocalSocket flood;
        flood.connectToServer(folder.filePath("rendezvous"));
        QVERIFY(flood.waitForConnected(2000));
        flood.write(QByteArray(600, 'x'));
        QTRY_COMPARE_WITH_TIMEOUT(flood.state(), QLocalSocket::UnconnectedState, 3000);

        QLocalSocket ask;
        QByteArray answer;
        connect(&ask, &QLocalSocket::readyRead, [&] { answer += ask.readAll(); });
        ask.connectToServer(folder.filePath("rendezvous"));
        QVERIFY(ask.waitForConnected(2000));
        ask.write("show DESKTOP_STARTUP_ID=id%20w%2F_TIME7\n");
        QTRY_COMPARE(startupId, QByteArray("id w/_TIME7"));
        QTRY_COMPARE(answer, QByteArray("ok\n"));
    }
#endif

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
        const QSystemTrayIcon *icon = MainWindowProbe::TrayIcon(*F.Window);
        QCOMPARE(icon && icon->isVisible(), tray && !quits);
        if (!quits)
            QTRY_VERIFY(tray ? F.Window->isVisible() == !hidden : F.Window->isMinimized());
        QVERIFY(F.Balloons->Shown.size() == (hidden ? 1 : 0));
    }

private:
    TestKit::WindowFixture F;
};

VARNO_TEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"

// Runs a copy of the program, built to ask 127.0.0.1 on a fixed port, on a
// private X server with a tray: with a server answering "v1.0" its window
// must come up; with none it must show the box, hand the download address to
// the desktop and end with exit code 0 without any window of its own. One
// program per user and session: a later start shows the running one's window
// and ends.

#include "TestHttpServer.h"
#include "kit/PrivateBus.h"
#include "kit/TestKit.h"

#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

#include <signal.h>

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        Xdotool = QStandardPaths::findExecutable("xdotool");
        const QString xvfb = QStandardPaths::findExecutable("Xvfb");
        if (xvfb.isEmpty() || Xdotool.isEmpty())
            QSKIP("needs Xvfb and xdotool (scripts/install-deps.sh installs them)");
        // The server picks a free display and names it; no reset when a
        // program's last connection closes, or the next one would connect while
        // it starts over.
        Xvfb.start(xvfb, {"-displayfd", "1", "-screen", "0", "1280x800x24", "-noreset", "-nolisten", "tcp"});
        QTRY_VERIFY_WITH_TIMEOUT(Xvfb.canReadLine(), 20000);
        Environment.insert("DISPLAY", ':' + QString::fromLatin1(Xvfb.readLine().trimmed()));
        // The one-instance rendezvous (0700), away from any copy the developer runs.
        Environment.insert("XDG_RUNTIME_DIR", Runtime.path());
        Environment.insert("QT_QPA_PLATFORM", "xcb");
        Environment.remove("QT_QPA_PLATFORMTHEME");
        // No system bus, so no power-off could be reached; no session bus.
        Environment.insert("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/varno-test-bus");
        Environment.remove("DBUS_SESSION_BUS_ADDRESS");
        // Stands in for the desktop's URL opener: Qt hands addresses to the first
        // xdg-open on PATH.
        Environment.insert("PATH", Work.path() + ':' + Environment.value("PATH"));
        QFile opener(Work.filePath("xdg-open"));
        QVERIFY(opener.open(QIODevice::WriteOnly));
        opener.write("#!/bin/sh\nprintf '%s\\n' \"$*\" >> \"$(dirname \"$0\")/opened\"\n");
        QVERIFY(opener.setPermissions(opener.permissions() | QFileDevice::ExeOwner));
    }

    void cleanupTestCase()
    {
        Tray.terminate();
        Tray.waitForFinished(5000);
        Xvfb.terminate();
        Xvfb.waitForFinished(5000);
    }

    void startup_data()
    {
        QTest::addColumn<QString>("server"); // "test", "bundled" or none
        QTest::addColumn<QString>("window"); // title of the program's one window
        QTest::newRow("bundled update server") << "bundled"
                                               << "Varno软件";
        QTest::newRow("no server") << ""
                                   << "提示";
    }

    void startup()
    {
        QFETCH(QString, server);
        QFETCH(QString, window);
        // Listening first tells whether the port is free for the program.
        auto testServer = std::make_unique<TestHttpServer>(VARNO_E2E_PORT);
        QVERIFY2(testServer->Listening, "the end-to-end test port is taken by another program");
        testServer->Answer("/website/varno/VarnoSoftware/copyright.php", "200 OK",
                           R"({"version":"v1.0","notes":"说明"})");
        if (server != "test")
            testServer.reset();
        QProcess php;
        if (server == "bundled") {
            php.start(
                "php",
                {"-S", QStringLiteral("127.0.0.1:%1").arg(VARNO_E2E_PORT), "-t", VARNO_UPDATE_SERVER_ROOT});
            QTRY_VERIFY_WITH_TIMEOUT(TestHttpServer::Reachable(VARNO_E2E_PORT), 10000);
        }

        QTemporaryDir config;
        QProcessEnvironment environment = Environment;
        // A private settings store: nothing can be armed.
        environment.insert("XDG_CONFIG_HOME", config.path());
        QProcess program;
        program.setProcessEnvironment(environment);
        program.setProcessChannelMode(QProcess::MergedChannels);
        program.start(VARNO_E2E_PROGRAM, QStringList());
        QVERIFY(program.waitForStarted());
        // The event loop keeps turning while waiting, so the test server answers.
        QTRY_VERIFY_WITH_TIMEOUT(!Windows(program, {}).isEmpty(), 30000);
        const QStringList windows = Windows(program, {});
        QCOMPARE(windows.size(), 1);
        QCOMPARE(Tool({"getwindowname", windows.first()}), window);
        const auto opened = [this] {
            QFile file(Work.filePath("opened"));
            return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
        };
        if (!server.isEmpty()) {
            QCOMPARE(program.state(), QProcess::Running);
            program.terminate();
            php.terminate();
            QVERIFY(program.waitForFinished(10000));
            php.waitForFinished(10000);
            QCOMPARE(opened(), QString());
            return;
        }
        // OK is the box's default button, so Return answers it.
        Tool({"windowfocus", "--sync", windows.first()});
        Tool({"key", "Return"});
        QVERIFY(program.waitForFinished(30000));
        const QByteArray output = program.readAll();
        QVERIFY2(program.exitStatus() == QProcess::NormalExit && program.exitCode() == 0, output.constData());
        QVERIFY(output.contains("Http Get同步请求失败"));
        QVERIFY(QDir(config.path()).isEmpty());
        // xdg-open runs detached and may still be writing.
        QTRY_COMPARE_WITH_TIMEOUT(
            opened(),
            QStringLiteral("http://127.0.0.1:%1/website/varno/VarnoSoftware/download/VarnoSoftware.rar\n")
                .arg(VARNO_E2E_PORT),
            10000);
    }

    void oneInstance()
    {
        Tray.setProcessEnvironment(Environment);
        Tray.start("trayer", {"--edge", "bottom"});
        QVERIFY(Tray.waitForStarted());
        auto server = Serve();
        QTemporaryDir config;
        QProcessEnvironment environment = Environment;
        environment.insert("XDG_CONFIG_HOME", config.path());

        // A start at sign-in stays in the tray: its icon is the one window of its class.
        Program first(environment, {"--autostart"});
        QTRY_VERIFY_WITH_TIMEOUT(!Windows(first, {"--classname", "VarnoSoftware_e2e"}).isEmpty(), 30000);
        QTest::qWait(500);
        QCOMPARE(Windows(first), QStringList());
        // Later starts end before their own update check: no server needed.
        server.reset();
        QVERIFY(Program(environment, {"--autostart"}).EndedWithZero());
        QCOMPARE(Windows(first), QStringList());
        QVERIFY(Program(environment).EndedWithZero());
        QTRY_COMPARE_WITH_TIMEOUT(Windows(first).size(), 1, 10000);

        // Brought back again after the user went on in another window, it is
        // the active window, under a window manager that keeps windows from
        // stealing the focus (with its settings service on a bus of its own).
        QProcess manager;
        QProcess elsewhere;
        for (QProcess *process : {&manager, &elsewhere})
            process->setProcessEnvironment(Environment);
        // In a process group of its own, so that its bus and the services the
        // bus started go with it.
        manager.start("setsid",
                      {"dbus-run-session", "--", "sh", "-c",
                       "xfconf-query -c xfwm4 -p /general/prevent_focus_stealing -n -t "
                       "bool -s true && exec xfwm4 --compositor=off"});
        elsewhere.start("xmessage", {"-geometry", "600x400+100+100", "other window"});
        QTRY_VERIFY_WITH_TIMEOUT(Tool({"getactivewindow", "getwindowname"}).contains("xmessage"), 20000);
        Tool({"mousemove", "300", "300", "click", "1"});
        QVERIFY(Program(environment).EndedWithZero());
        QTRY_COMPARE_WITH_TIMEOUT(Tool({"getactivewindow"}), Windows(first).value(0), 10000);
        ::kill(-pid_t(manager.processId()), SIGKILL);
        for (QProcess *process : {&manager, &elsewhere}) {
            process->kill();
            process->waitForFinished();
        }

        // Killed, it blocks nothing; of two starts at once, one stays and shows its window.
        ::kill(pid_t(first.processId()), SIGKILL);
        QVERIFY(first.waitForFinished(5000));
        server = Serve();
        Program one(environment);
        Program other(environment);
        QTRY_VERIFY_WITH_TIMEOUT((one.state() == QProcess::Running) != (other.state() == QProcess::Running),
                                 20000);
        Program &running = one.state() == QProcess::Running ? one : other;
        QVERIFY((&running == &one ? other : one).EndedWithZero());
        QTRY_COMPARE_WITH_TIMEOUT(Windows(running).size(), 1, 20000);
    }

    // A tray that comes after the program still gets its icon, and gets it
    // again when the panel restarts; a start at sign-in stays hidden meanwhile.
    void lateTray_data()
    {
        QTest::addColumn<int>("trayAfterMs"); // the watcher comes this long after the program
        QTest::newRow("tray first") << 0;
        QTest::newRow("tray 2 s later") << 2000;
    }

    void lateTray()
    {
        QFETCH(int, trayAfterMs);
        Tray.terminate(); // no X11 tray: the one on the bus counts alone
        Tray.waitForFinished(5000);
        TestKit::PrivateBus bus;
        const QString address = bus.Start();
        if (address.isEmpty())
            QSKIP("needs dbus-daemon (scripts/install-deps.sh installs it)");
        const auto server = Serve();
        QTemporaryDir config;
        QProcessEnvironment environment = Environment;
        environment.insert("XDG_CONFIG_HOME", config.path());
        environment.insert("DBUS_SESSION_BUS_ADDRESS", address);
        QProcess watcher;
        watcher.setProcessEnvironment(environment);
        QByteArray registered;
        const auto startWatcher = [&] {
            registered.clear();
            watcher.start(VARNO_SNI_WATCHER, QStringList());
            return watcher.waitForStarted();
        };
        if (trayAfterMs == 0)
            QVERIFY(startWatcher());
        Program program(environment, {"--autostart"});
        QTest::qWait(trayAfterMs);
        if (trayAfterMs > 0)
            QVERIFY(startWatcher());
        QTRY_VERIFY_WITH_TIMEOUT((registered += watcher.readAllStandardOutput()).contains("registered"),
                                 15000);
        watcher.kill(); // the panel restarts
        watcher.waitForFinished();
        QVERIFY(startWatcher());
        QTRY_VERIFY_WITH_TIMEOUT((registered += watcher.readAllStandardOutput()).contains("registered"),
                                 10000);
        QCOMPARE(Windows(program), QStringList());
        watcher.kill();
        watcher.waitForFinished();
    }

private:
    // A start of the program, ended when the test no longer needs it.
    struct Program : QProcess
    {
        explicit Program(const QProcessEnvironment &environment, const QStringList &arguments = {})
        {
            setProcessEnvironment(environment);
            setProcessChannelMode(QProcess::MergedChannels);
            start(VARNO_E2E_PROGRAM, arguments);
            waitForStarted();
        }
        ~Program() override
        {
            terminate();
            waitForFinished(10000);
        }
        bool EndedWithZero()
        {
            return (state() == QProcess::NotRunning || waitForFinished(10000))
                && exitStatus() == QProcess::NormalExit && exitCode() == 0;
        }
    };

    // The update server answering that this is the current release.
    static std::unique_ptr<TestHttpServer> Serve()
    {
        auto server = std::make_unique<TestHttpServer>(VARNO_E2E_PORT);
        server->Answer("/website/varno/VarnoSoftware/copyright.php", "200 OK", R"({"version":"v1.0"})");
        return server;
    }

    // The program's windows on screen that match: by default its main window.
    QStringList Windows(const QProcess &program, const QStringList &match = {"--name", "Varno软件"})
    {
        const QString found = Tool(
            QStringList {"search", "--all", "--onlyvisible", "--pid", QString::number(program.processId())}
            + match);
        return found.isEmpty() ? QStringList() : found.split('\n');
    }

    QString Tool(const QStringList &arguments)
    {
        QProcess tool;
        tool.setProcessEnvironment(Environment);
        tool.start(Xdotool, arguments);
        tool.waitForFinished(10000);
        return QString::fromUtf8(tool.readAllStandardOutput()).trimmed();
    }

    QString Xdotool;
    QProcess Xvfb;
    QProcess Tray;
    QTemporaryDir Runtime;
    QProcessEnvironment Environment = QProcessEnvironment::systemEnvironment();
    QTemporaryDir Work;
};

VARNO_TEST_MAIN(TestStartup)
#include "tst_startup.moc"

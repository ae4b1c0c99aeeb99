// Runs a copy of the program, built to ask 127.0.0.1 on a fixed port, on a
// private X server with a tray: with a server answering "v1.0" its window
// must come up; with none it must show the box, hand the download address to
// the desktop and end with exit code 0 without any window of its own. One
// program per user and session: a later start shows the running one's window
// and ends.

#include "TestHttpServer.h"
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
        const auto serve = [] {
            auto server = std::make_unique<TestHttpServer>(VARNO_E2E_PORT);
            server->Answer("/website/varno/VarnoSoftware/copyright.php", "200 OK", R"({"version":"v1.0"})");
            return server;
        };
        auto server = serve();
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

        // Killed, it blocks nothing; of two starts at once, one stays and shows its window.
        ::kill(pid_t(first.processId()), SIGKILL);
        QVERIFY(first.waitForFinished(5000));
        server = serve();
        Program one(environment);
        Program other(environment);
        QTRY_VERIFY_WITH_TIMEOUT((one.state() == QProcess::Running) != (other.state() == QProcess::Running),
                                 20000);
        Program &running = one.state() == QProcess::Running ? one : other;
        QVERIFY((&running == &one ? other : one).EndedWithZero());
        QTRY_COMPARE_WITH_TIMEOUT(Windows(running).size(), 1, 20000);
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

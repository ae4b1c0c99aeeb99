// Runs a copy of the program, built to ask 127.0.0.1 on a fixed port, on a
// private X server: with a server answering "v1.0" its window must come up;
// with none it must show the box, hand the download address to the desktop
// and end with exit code 0 without any window of its own.

#include "TestHttpServer.h"
#include "kit/TestKit.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

const QByteArray CheckPath = "/website/varno/VarnoSoftware/copyright.php";

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void startup_data();
    void startup();

private:
    QString Tool(const QStringList &arguments);
    QStringList Opened() const;

    QString Xdotool;
    QProcess Xvfb;
    QString Display;
    QTemporaryDir Work;
};

void TestStartup::initTestCase()
{
    Xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    if (xvfb.isEmpty() || Xdotool.isEmpty())
        QSKIP("needs Xvfb and xdotool (scripts/install-deps.sh installs them)");
    // The server picks a free display and names it; no reset when a
    // program's last connection closes, or the next program would connect
    // while it starts over.
    Xvfb.start(xvfb,
               {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                QStringLiteral("0"), QStringLiteral("1280x800x24"), QStringLiteral("-noreset"),
                QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    QTRY_VERIFY_WITH_TIMEOUT(Xvfb.canReadLine(), 20000);
    Display = QLatin1Char(':') + QString::fromLatin1(Xvfb.readLine().trimmed());

    // Stands in for the desktop's URL opener: Qt hands addresses to the first
    // xdg-open on PATH.
    QFile opener(Work.filePath(QStringLiteral("xdg-open")));
    QVERIFY(opener.open(QIODevice::WriteOnly));
    opener.write("#!/bin/sh\nprintf '%s\\n' \"$*\" >> \"$(dirname \"$0\")/opened\"\n");
    QVERIFY(opener.setPermissions(opener.permissions() | QFileDevice::ExeOwner));
}

void TestStartup::cleanupTestCase()
{
    Xvfb.terminate();
    Xvfb.waitForFinished(5000);
}

QString TestStartup::Tool(const QStringList &arguments)
{
    QProcess tool;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), Display);
    tool.setProcessEnvironment(environment);
    tool.start(Xdotool, arguments);
    tool.waitForFinished(10000);
    return QString::fromUtf8(tool.readAllStandardOutput()).trimmed();
}

QStringList TestStartup::Opened() const
{
    QFile file(Work.filePath(QStringLiteral("opened")));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void TestStartup::startup_data()
{
    QTest::addColumn<QString>("server"); // "test", "bundled" or none
    QTest::addColumn<QString>("window"); // title of the program's one window

    QTest::newRow("test server answering v1.0") << QStringLiteral("test") << QStringLiteral("Varno软件");
    QTest::newRow("bundled update server") << QStringLiteral("bundled") << QStringLiteral("Varno软件");
    QTest::newRow("no server") << QString() << QStringLiteral("提示");
}

void TestStartup::startup()
{
    QFETCH(QString, server);
    QFETCH(QString, window);

    // Listening first tells whether the port is free for the program.
    auto testServer = std::make_unique<TestHttpServer>(VARNO_E2E_PORT);
    QVERIFY2(testServer->Listening, "the end-to-end test port is taken by another program");
    testServer->Answer(CheckPath, "200 OK", R"({"version":"v1.0","notes":"更新说明"})");
    if (server != QLatin1String("test"))
        testServer.reset();
    QProcess php;
    if (server == QLatin1String("bundled")) {
        const QString phpPath = QStandardPaths::findExecutable(QStringLiteral("php"));
        if (phpPath.isEmpty())
            QSKIP("needs php-cli (scripts/install-deps.sh installs it)");
        php.start(phpPath,
                  {QStringLiteral("-S"), QStringLiteral("127.0.0.1:%1").arg(VARNO_E2E_PORT),
                   QStringLiteral("-t"), QStringLiteral(VARNO_UPDATE_SERVER_ROOT)});
        const auto answers = [] {
            QTcpSocket socket;
            socket.connectToHost(QStringLiteral("127.0.0.1"), VARNO_E2E_PORT);
            return socket.waitForConnected(500);
        };
        QTRY_VERIFY_WITH_TIMEOUT(answers(), 10000);
    }

    QTemporaryDir config;
    QFile::remove(Work.filePath(QStringLiteral("opened")));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), Display);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.remove(QStringLiteral("QT_QPA_PLATFORMTHEME"));
    // A private settings store and no system bus: nothing can be armed, and
    // no power-off could be reached.
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    environment.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"),
                       QStringLiteral("unix:path=/nonexistent/varno-test-bus"));
    environment.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    environment.insert(QStringLiteral("PATH"),
                       Work.path() + QLatin1Char(':') + environment.value(QStringLiteral("PATH")));
    QProcess program;
    program.setProcessEnvironment(environment);
    program.setProcessChannelMode(QProcess::MergedChannels);
    program.start(QStringLiteral(VARNO_E2E_PROGRAM), QStringList());
    QVERIFY(program.waitForStarted());

    // The event loop keeps turning while waiting, so the test server answers.
    const QStringList search {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                              QStringLiteral("--pid"), QString::number(program.processId())};
    QTRY_VERIFY_WITH_TIMEOUT(!Tool(search).isEmpty(), 30000);
    const QStringList windows = Tool(search).split(QLatin1Char('\n'));
    QCOMPARE(windows.size(), 1);
    QCOMPARE(Tool({QStringLiteral("getwindowname"), windows.first()}), window);
    QCOMPARE(Opened(), QStringList());

    if (!server.isEmpty()) {
        QCOMPARE(program.state(), QProcess::Running);
        if (testServer)
            QCOMPARE(testServer->Requests, QList<QByteArray> {"GET " + CheckPath});
        program.terminate();
        php.terminate();
        QVERIFY(program.waitForFinished(10000));
        php.waitForFinished(10000);
        return;
    }
    // OK is the box's default button, so Return answers it.
    Tool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), windows.first()});
    Tool({QStringLiteral("key"), QStringLiteral("Return")});
    QVERIFY(program.waitForFinished(30000));
    const QByteArray output = program.readAll();
    QVERIFY2(program.exitStatus() == QProcess::NormalExit && program.exitCode() == 0, output.constData());
    QVERIFY(output.contains("Http Get同步请求失败"));
    QVERIFY(QDir(config.path()).isEmpty());
    // xdg-open runs detached and may still be writing.
    QTRY_COMPARE_WITH_TIMEOUT(
        Opened(),
        QStringList {
            QStringLiteral("http://127.0.0.1:%1/website/varno/VarnoSoftware/download/VarnoSoftware.rar")
                .arg(VARNO_E2E_PORT)},
        10000);
}

VARNO_TEST_MAIN(TestStartup)
#include "tst_startup.moc"

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
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

const QByteArray CheckPath = "/website/varno/VarnoSoftware/copyright.php";
const QString MainWindowTitle = QStringLiteral("Varno软件");
const QString BoxTitle = QStringLiteral("提示");

bool SomethingListensOn(quint16 port)
{
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), port);
    return socket.waitForConnected(500);
}

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void windowComesUpWhenCurrent_data();
    void windowComesUpWhenCurrent();
    void endsWithoutAnyServer();

private:
    bool StartXvfb();
    bool ToolSucceeds(const QStringList &arguments);
    QString Tool(const QStringList &arguments);
    // Visible top-level windows of the program, as id and title.
    QList<QPair<QString, QString>> WindowsOfProgram();
    QStringList OpenedAddresses() const;
    void StartProgram();
    QString ProgramOutput();

    QString XvfbPath;
    QString XdotoolPath;
    QProcess Xvfb;
    QString Display;
    QTemporaryDir Work;
    std::unique_ptr<QTemporaryDir> Config;
    std::unique_ptr<QProcess> Program;
};

void TestStartup::initTestCase()
{
    XvfbPath = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    XdotoolPath = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
    if (XvfbPath.isEmpty() || XdotoolPath.isEmpty())
        QSKIP("needs Xvfb and xdotool (scripts/install-deps.sh installs them)");
    QVERIFY2(QFileInfo(QStringLiteral(VARNO_E2E_PROGRAM)).isExecutable(), VARNO_E2E_PROGRAM);

    QVERIFY2(StartXvfb(), "no X server could be started");

    // Stands in for the desktop's URL opener: Qt hands addresses to the first
    // xdg-open on PATH.
    QVERIFY(QDir(Work.path()).mkpath(QStringLiteral("bin")));
    QFile opener(Work.filePath(QStringLiteral("bin/xdg-open")));
    QVERIFY(opener.open(QIODevice::WriteOnly));
    opener.write("#!/bin/sh\nprintf '%s\\n' \"$*\" >> \"$VARNO_TEST_OPENED_FILE\"\n");
    opener.close();
    opener.setPermissions(opener.permissions() | QFileDevice::ExeOwner | QFileDevice::ExeGroup
                          | QFileDevice::ExeOther);
}

void TestStartup::cleanupTestCase()
{
    if (Xvfb.state() != QProcess::NotRunning) {
        Xvfb.terminate();
        if (!Xvfb.waitForFinished(5000))
            Xvfb.kill();
        Xvfb.waitForFinished(5000);
    }
}

void TestStartup::init()
{
    QVERIFY2(ToolSucceeds({QStringLiteral("getdisplaygeometry")}), "the X server does not answer");
    Config = std::make_unique<QTemporaryDir>();
    QFile::remove(Work.filePath(QStringLiteral("opened")));
    QVERIFY2(!SomethingListensOn(VARNO_E2E_PORT), "the end-to-end test port is taken by another program");
}

void TestStartup::cleanup()
{
    if (Program && Program->state() != QProcess::NotRunning) {
        Program->kill();
        Program->waitForFinished(5000);
    }
    if (QTest::currentTestFailed()) {
        if (Program)
            qInfo().noquote() << "program output:\n" << ProgramOutput();
        QFile xvfbLog(Work.filePath(QStringLiteral("xvfb.log")));
        if (xvfbLog.open(QIODevice::ReadOnly))
            qInfo().noquote() << "X server" << Display << "output:\n" << xvfbLog.readAll();
    }
    Program.reset();
    Config.reset();
}

bool TestStartup::StartXvfb()
{
    // Display numbers follow the X lock-file convention, so servers that other
    // programs start on this machine at the same time are left alone; Xvfb
    // itself refuses a number that was taken in between.
    const int first = 150 + int(QCoreApplication::applicationPid() % 300);
    for (int number = first; number < first + 40; ++number) {
        if (QFileInfo::exists(QStringLiteral("/tmp/.X%1-lock").arg(number))
            || QFileInfo::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(number)))
            continue;
        Display = QStringLiteral(":%1").arg(number);
        Xvfb.setProcessChannelMode(QProcess::MergedChannels);
        Xvfb.setStandardOutputFile(Work.filePath(QStringLiteral("xvfb.log")));
        // No reset when a program's last connection closes: the next program
        // would connect while the server starts over.
        Xvfb.start(XvfbPath,
                   {Display, QStringLiteral("-screen"), QStringLiteral("0"), QStringLiteral("1280x800x24"),
                    QStringLiteral("-noreset"), QStringLiteral("-nolisten"), QStringLiteral("tcp")});
        if (!Xvfb.waitForStarted())
            return false;
        for (int attempt = 0; attempt < 100 && Xvfb.state() == QProcess::Running; ++attempt) {
            if (ToolSucceeds({QStringLiteral("getdisplaygeometry")})) {
                // A server that took the number first would have made ours
                // give up by now.
                QTest::qWait(200);
                if (Xvfb.state() == QProcess::Running)
                    return true;
                break;
            }
            QTest::qWait(100);
        }
        Xvfb.kill();
        Xvfb.waitForFinished(5000);
    }
    return false;
}

bool TestStartup::ToolSucceeds(const QStringList &arguments)
{
    QProcess tool;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), Display);
    tool.setProcessEnvironment(environment);
    tool.setStandardErrorFile(QProcess::nullDevice());
    tool.start(XdotoolPath, arguments);
    return tool.waitForFinished(10000) && tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
}

QString TestStartup::Tool(const QStringList &arguments)
{
    QProcess tool;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), Display);
    tool.setProcessEnvironment(environment);
    tool.start(XdotoolPath, arguments);
    tool.waitForFinished(10000);
    return QString::fromUtf8(tool.readAllStandardOutput()).trimmed();
}

QList<QPair<QString, QString>> TestStartup::WindowsOfProgram()
{
    QList<QPair<QString, QString>> windows;
    const QString ids = Tool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                              QStringLiteral("--pid"), QString::number(Program->processId())});
    for (const QString &id : ids.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        windows.append({id, Tool({QStringLiteral("getwindowname"), id})});
    return windows;
}

QStringList TestStartup::OpenedAddresses() const
{
    QFile file(Work.filePath(QStringLiteral("opened")));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void TestStartup::StartProgram()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), Display);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.remove(QStringLiteral("QT_QPA_PLATFORMTHEME"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    // A private settings store and no system bus: nothing can be armed, and
    // no power-off could be reached.
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), Config->path());
    environment.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"),
                       QStringLiteral("unix:path=/nonexistent/varno-test-bus"));
    environment.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    environment.insert(QStringLiteral("PATH"),
                       Work.filePath(QStringLiteral("bin")) + QLatin1Char(':')
                           + environment.value(QStringLiteral("PATH")));
    environment.insert(QStringLiteral("VARNO_TEST_OPENED_FILE"), Work.filePath(QStringLiteral("opened")));

    Program = std::make_unique<QProcess>();
    Program->setProcessEnvironment(environment);
    Program->setProcessChannelMode(QProcess::MergedChannels);
    Program->start(QStringLiteral(VARNO_E2E_PROGRAM), QStringList());
    QVERIFY(Program->waitForStarted());
}

QString TestStartup::ProgramOutput()
{
    return QString::fromUtf8(Program->readAll());
}

void TestStartup::windowComesUpWhenCurrent_data()
{
    QTest::addColumn<bool>("bundledServer");
    QTest::newRow("test server answering v1.0") << false;
    QTest::newRow("bundled update server") << true;
}

void TestStartup::windowComesUpWhenCurrent()
{
    QFETCH(bool, bundledServer);

    TestHttpServer testServer;
    QProcess php;
    if (bundledServer) {
        const QString phpPath = QStandardPaths::findExecutable(QStringLiteral("php"));
        if (phpPath.isEmpty())
            QSKIP("needs php-cli (scripts/install-deps.sh installs it)");
        php.setProcessChannelMode(QProcess::MergedChannels);
        php.start(phpPath,
                  {QStringLiteral("-S"), QStringLiteral("127.0.0.1:%1").arg(VARNO_E2E_PORT),
                   QStringLiteral("-t"), QStringLiteral(VARNO_UPDATE_SERVER_ROOT)});
        QVERIFY(php.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(SomethingListensOn(VARNO_E2E_PORT), 10000);
    } else {
        testServer.Answer(CheckPath, {"200 OK", {}, R"({"version":"v1.0","notes":"更新说明"})", 0});
        QVERIFY(testServer.Listen(VARNO_E2E_PORT));
    }

    StartProgram();
    if (QTest::currentTestFailed())
        return;

    // The event loop keeps turning while waiting, so the test server answers.
    QTRY_VERIFY_WITH_TIMEOUT(!WindowsOfProgram().isEmpty(), 30000);
    const auto windows = WindowsOfProgram();
    QCOMPARE(windows.size(), 1);
    QCOMPARE(windows.first().second, MainWindowTitle);
    QCOMPARE(Program->state(), QProcess::Running);
    QVERIFY(OpenedAddresses().isEmpty());
    if (!bundledServer) {
        QCOMPARE(testServer.Requests().size(), 1);
        QCOMPARE(testServer.Requests().first().target, CheckPath);
    }

    Program->terminate();
    QVERIFY(Program->waitForFinished(10000));
    if (bundledServer) {
        php.terminate();
        QVERIFY(php.waitForFinished(10000));
    }
}

void TestStartup::endsWithoutAnyServer()
{
    StartProgram();
    if (QTest::currentTestFailed())
        return;

    QTRY_VERIFY_WITH_TIMEOUT(!WindowsOfProgram().isEmpty(), 30000);
    const auto windows = WindowsOfProgram();
    // The box is all there is: no main window behind it.
    QCOMPARE(windows.size(), 1);
    QCOMPARE(windows.first().second, BoxTitle);
    QVERIFY(OpenedAddresses().isEmpty());

    // OK is the box's default button, so Return answers it.
    Tool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), windows.first().first});
    Tool({QStringLiteral("key"), QStringLiteral("Return")});

    QVERIFY(Program->waitForFinished(30000));
    QCOMPARE(Program->exitStatus(), QProcess::NormalExit);
    QCOMPARE(Program->exitCode(), 0);
    // xdg-open runs detached and may still be writing.
    const QString download
        = QStringLiteral("http://127.0.0.1:%1/website/varno/VarnoSoftware/download/VarnoSoftware.rar")
              .arg(VARNO_E2E_PORT);
    QTRY_COMPARE_WITH_TIMEOUT(OpenedAddresses(), QStringList {download}, 10000);
    QVERIFY(!QFileInfo::exists(Config->filePath(QStringLiteral("Varno"))));
    QVERIFY(ProgramOutput().contains(QStringLiteral("Http Get同步请求失败")));
}

VARNO_TEST_MAIN(TestStartup)
#include "tst_startup.moc"

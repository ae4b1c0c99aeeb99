#include "ProcessWatch.h"
#include "kit/TestKit.h"
#include "launcher/DetachedStart.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <unistd.h>

class TestDetachedStart : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void startsAnIndependentProcess_data();
    void startsAnIndependentProcess();
    void reportsWhyItCannotStart_data();
    void reportsWhyItCannotStart();

private:
    QTemporaryDir Fixture;
    QString RecordPath;
    QByteArray SavedPath;
    QList<qint64> Started;
};

void TestDetachedStart::initTestCase()
{
    QVERIFY(ProcessWatch::AdoptOrphans());
    QVERIFY(Fixture.isValid());
    const QDir root(Fixture.path());
    QVERIFY(root.mkpath(QStringLiteral("plain")));
    QVERIFY(root.mkpath(QStringLiteral("微信 多开/程序 目录")));
    QVERIFY(
        QFile::copy(QStringLiteral(VARNO_LAUNCH_RECORDER), root.filePath(QStringLiteral("plain/recorder"))));
    QVERIFY(QFile::copy(QStringLiteral(VARNO_LAUNCH_RECORDER),
                        root.filePath(QStringLiteral("微信 多开/程序 目录/微信 客户端.exe"))));
    QVERIFY(QFile::copy(QStringLiteral(VARNO_LAUNCH_RECORDER),
                        root.filePath(QStringLiteral("plain/not-executable"))));
    QVERIFY(
        QFile::setPermissions(root.filePath(QStringLiteral("plain/not-executable")),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther));
}

void TestDetachedStart::init()
{
    RecordPath = Fixture.filePath(QStringLiteral("starts-%1.txt").arg(QTest::currentDataTag()));
    QFile::remove(RecordPath);
    qputenv("VARNO_LAUNCH_RECORD", QFile::encodeName(RecordPath));
    SavedPath = qgetenv("PATH");
}

void TestDetachedStart::cleanup()
{
    for (qint64 pid : qAsConst(Started))
        ProcessWatch::KillAndReap(pid);
    Started.clear();
    qputenv("PATH", SavedPath);
    QCOMPARE(ProcessWatch::ZombieChildren(), QList<qint64>());
}

void TestDetachedStart::startsAnIndependentProcess_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("searchPath"); // PATH while starting, when set

    const QDir root(Fixture.path());
    QTest::newRow("absolute path") << root.filePath(QStringLiteral("plain/recorder")) << QString();
    QTest::newRow("blanks and Chinese")
        << root.filePath(QStringLiteral("微信 多开/程序 目录/微信 客户端.exe")) << QString();
    QTest::newRow("name found in PATH")
        << QStringLiteral("recorder")
        << QStringLiteral("/nonexistent-dir:") + root.filePath(QStringLiteral("plain"));
}

void TestDetachedStart::startsAnIndependentProcess()
{
    QFETCH(QString, program);
    QFETCH(QString, searchPath);
    if (!searchPath.isEmpty())
        qputenv("PATH", QFile::encodeName(searchPath));

    const Launcher::StartOutcome outcome = Launcher::StartDetached(program);
    if (outcome.processId > 0)
        Started.append(outcome.processId);
    QVERIFY2(outcome.started, qPrintable(outcome.errorText));
    QVERIFY(outcome.errorText.isEmpty());

    const QList<ProcessWatch::Start> starts = ProcessWatch::WaitForStarts(RecordPath, 1);
    QCOMPARE(starts.size(), 1);
    QCOMPARE(starts.at(0).pid, outcome.processId);
    QVERIFY(ProcessWatch::IsRunning(outcome.processId));

    // Nothing ties it to the toolbox: no session, terminal or pipe shared.
    QVERIFY(::getsid(static_cast<pid_t>(outcome.processId)) != ::getsid(0));
    for (int fd = 0; fd < 3; ++fd) {
        const QString link
            = QFile::symLinkTarget(QStringLiteral("/proc/%1/fd/%2").arg(outcome.processId).arg(fd));
        QCOMPARE(link, QStringLiteral("/dev/null"));
    }
    // The go-between process is already reaped.
    QCOMPARE(ProcessWatch::ZombieChildren(), QList<qint64>());
}

void TestDetachedStart::reportsWhyItCannotStart_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<int>("errorCode");

    const QDir root(Fixture.path());
    QTest::newRow("missing file") << root.filePath(QStringLiteral("plain/missing.exe")) << int(ENOENT);
    QTest::newRow("missing folder") << root.filePath(QStringLiteral("gone/WeChat.exe")) << int(ENOENT);
    // Even root needs an execute bit to run a file.
    QTest::newRow("no execute permission")
        << root.filePath(QStringLiteral("plain/not-executable")) << int(EACCES);
    QTest::newRow("a folder") << root.filePath(QStringLiteral("plain")) << int(EACCES);
    QTest::newRow("name not in PATH") << QStringLiteral("varno-no-such-program") << int(ENOENT);
    QTest::newRow("only blanks") << QStringLiteral("   ") << int(ENOENT);
}

void TestDetachedStart::reportsWhyItCannotStart()
{
    QFETCH(QString, program);
    QFETCH(int, errorCode);

    const Launcher::StartOutcome outcome = Launcher::StartDetached(program);
    QVERIFY(!outcome.started);
    QCOMPARE(outcome.processId, qint64(0));
    QCOMPARE(outcome.errorText, QStringLiteral("execvp: ") + qt_error_string(errorCode));
    QVERIFY(!QFile::exists(RecordPath));
    // The program that failed to exec was reaped on the way.
    QCOMPARE(ProcessWatch::ZombieChildren(), QList<qint64>());
}

VARNO_TEST_MAIN(TestDetachedStart)
#include "tst_detachedstart.moc"

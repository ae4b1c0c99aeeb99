#include "kit/MainWindowProbe.h"
#include "launcher/DetachedStart.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <algorithm>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <cerrno>
#include <csignal>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

// The launcher page with real processes of a small stand-in for the chat
// client. On Linux the test process adopts what the launcher orphans and
// finds the instances as its children in /proc; on Windows each instance
// writes its process id and creation time into the file named by
// VARNO_STAND_IN_RECORD, and tools/windows/test.sh checks that they outlive
// the test program.
namespace {

struct Instance
{
    qint64 pid;
    qint64 createdMilliseconds;
    QString program; // what it runs, or "zombie"
};

#ifdef Q_OS_WIN
QString RecordPath()
{
    return qEnvironmentVariable("VARNO_STAND_IN_RECORD");
}

QList<Instance> Instances()
{
    QList<Instance> instances;
    QFile record(RecordPath());
    if (record.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : record.readAll().split('\n')) {
            const QList<QByteArray> fields = line.trimmed().split(' ');
            if (fields.size() >= 3)
                instances.append(
                    {fields.at(0).toLongLong(), fields.at(1).toLongLong(),
                     QString::fromUtf8(line.mid(fields.at(0).size() + fields.at(1).size() + 2)).trimmed()});
        }
    }
    return instances;
}

bool Alive(const Instance &instance)
{
    HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, DWORD(instance.pid));
    DWORD code = 0;
    const bool alive = process && ::GetExitCodeProcess(process, &code) && code == STILL_ACTIVE;
    if (process)
        ::CloseHandle(process);
    return alive;
}

QString StartError(int code)
{
    return QStringLiteral("CreateProcess: ") + qt_error_string(code);
}
#else
QList<Instance> Instances()
{
    QList<Instance> children;
    for (const QString &entry : QDir("/proc").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile file(QStringLiteral("/proc/%1/stat").arg(entry));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QByteArray stat = file.readAll();
        // After the command name: state, parent, ..., creation time in clock
        // ticks as the 20th.
        const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 19 && fields.at(1).toLongLong() == ::getpid())
            children.append({entry.toLongLong(), fields.at(19).toLongLong() * 1000 / ::sysconf(_SC_CLK_TCK),
                             fields.at(0) == "Z" ? QStringLiteral("zombie")
                                                 : QFile::symLinkTarget("/proc/" + entry + "/exe")});
    }
    std::sort(children.begin(), children.end(), [](const Instance &a, const Instance &b) {
        return std::make_pair(a.createdMilliseconds, a.pid) < std::make_pair(b.createdMilliseconds, b.pid);
    });
    return children;
}

bool Alive(const Instance &instance)
{
    return ::kill(pid_t(instance.pid), 0) == 0;
}

QString StartError(int code)
{
    return QStringLiteral("execvp: ") + qt_error_string(code);
}
#endif

QStringList Programs(const QList<Instance> &instances)
{
    QStringList programs;
    for (const Instance &instance : instances)
        programs << QDir::fromNativeSeparators(instance.program);
    return programs;
}

} // namespace

class TestWeChatLauncher : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
#ifndef Q_OS_WIN
        QVERIFY(::prctl(PR_SET_CHILD_SUBREAPER, 1) == 0);
#endif
        // Keeps the file dialog's fallback folder apart from the fixture folders.
        QVERIFY(QDir::setCurrent(WorkingDirectory.path()));
        QVERIFY(QDir(FixtureDir.path()).mkpath("plain"));
        QVERIFY(QDir(FixtureDir.path()).mkpath("微信 多开/程序 目录"));
        for (const char *copy :
             {"plain/WeChat.exe", "微信 多开/程序 目录/微信 客户端.exe", "plain/not-executable.exe"})
            QVERIFY(QFile::copy(QCoreApplication::applicationDirPath() + "/" VARNO_WECHAT_STAND_IN,
                                Fixture(QString::fromUtf8(copy))));
        // Even root needs an execute bit to run a file.
        QVERIFY(
            QFile::setPermissions(Fixture("plain/not-executable.exe"), QFile::ReadOwner | QFile::WriteOwner));
    }

    void init()
    {
#ifdef Q_OS_WIN
        QFile::remove(RecordPath());
#endif
        F.Start();
        F.Open();
    }

    void cleanup()
    {
        F.Finish();
#ifndef Q_OS_WIN
        for (const Instance &child : Instances()) {
            ::kill(pid_t(child.pid), SIGKILL);
            ::waitpid(pid_t(child.pid), nullptr, 0);
        }
#endif
    }

    void launch_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<int>("count");
        QTest::addColumn<QStringList>("expected"); // the boxes, then what runs

        const QString plain = Fixture("plain/WeChat.exe");
        const QString chinese = Fixture("微信 多开/程序 目录/微信 客户端.exe");
        const auto failures = [](int count, int error) {
            QStringList boxes;
            for (int i = 1; i <= count; ++i)
                boxes << QStringLiteral("Critical 启动失败/启动第 %1 个微信实例失败：%2")
                             .arg(i)
                             .arg(StartError(error));
            return boxes;
        };
        QTest::newRow("ten instances") << plain << 10 << QStringList(QVector<QString>(10, plain).toList());
        QTest::newRow("blanks and Chinese in the path") << chinese << 2 << QStringList {chinese, chinese};
#ifdef Q_OS_WIN
        QTest::newRow("missing file")
            << Fixture("plain/missing.exe") << 3 << failures(3, ERROR_FILE_NOT_FOUND);
        QTest::newRow("a folder") << Fixture("plain") << 2 << failures(2, ERROR_ACCESS_DENIED);
#else
        QTest::newRow("missing file") << Fixture("plain/missing.exe") << 3 << failures(3, ENOENT);
        QTest::newRow("no execute permission")
            << Fixture("plain/not-executable.exe") << 2 << failures(2, EACCES);
        QTest::newRow("only blanks is not empty") << QStringLiteral("   ") << 1 << failures(1, ENOENT);
#endif
        QTest::newRow("empty path") << QString() << 3
                                    << QStringList("Warning 路径无效/请选择有效的微信可执行文件路径！");
        // The spin box stops users before zero; the check behind it still holds.
        QTest::newRow("count zero") << plain << 0 << QStringList("Warning 微信数量无效/请输入大于0数字！");
    }

    void launch()
    {
        QFETCH(QString, program);
        QFETCH(int, count);
        QFETCH(QStringList, expected);
        F.Form->WeiXinPath_QLineEdit->setText(program);
        F.Form->WeiXinNumber_QSpinBox->setMinimum(0);
        F.Form->WeiXinNumber_QSpinBox->setValue(count);
        for (int i = 0; i <= count; ++i)
            F.Answerer->NextClick();
        const auto seen = [this] {
            QStringList record;
            for (const TestKit::ModalRecord &box : F.Answerer->Records())
                record << QStringLiteral("%1 %2/%3%4")
                              .arg(QLatin1String(
                                       QMetaEnum::fromType<QMessageBox::Icon>().valueToKey(box.icon)),
                                   box.title, box.text,
                                   box.parent == F.Window.get() ? "" : " (not on the window)");
            return record + Programs(Instances());
        };

        // The button acts on press, whatever the release does. The window goes
        // on ticking while instances start, and a press meanwhile starts no more.
        QSignalSpy ticks(MainWindowProbe::ApplicationTimer(*F.Window), &QTimer::timeout);
        TestKit::PressAndReleaseOutside(F.Form->WeiXinNumber_QPushButton);
        if (count > 2 && expected.first() == program) {
            QTRY_VERIFY(!seen().isEmpty());
            TestKit::PressAndReleaseOutside(F.Form->WeiXinNumber_QPushButton);
        }
        QTRY_COMPARE_WITH_TIMEOUT(seen(), expected, 20000);
        const int ticksByTheLastStart = ticks.count();
        QTest::qWait(300);
        QCOMPARE(seen(), expected);
        const QList<Instance> instances = Instances();
        if (instances.size() >= 10)
            QVERIFY(ticksByTheLastStart > 0);

        // A pause after each start: every instance was created at least 200 ms
        // after the one before (the system's creation times, so a slow-to-run
        // instance cannot blur the spacing; Wine's start-up jitter is allowed for).
        const qint64 tolerance = QSysInfo::productType() == "windows" ? 30 : 0;
        for (int i = 1; i < instances.size(); ++i)
            QVERIFY2(instances.at(i).createdMilliseconds - instances.at(i - 1).createdMilliseconds
                         >= 200 - tolerance,
                     qPrintable(QStringLiteral("instances %1 and %2 too close").arg(i).arg(i + 1)));

        // The instances live on without the window that started them.
        F.Window.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QTest::qWait(100);
        for (const Instance &instance : instances)
            QVERIFY(Alive(instance));
    }

    void browse_data()
    {
        QTest::addColumn<QString>("fieldText");
        QTest::addColumn<QString>("expectedDirectory"); // empty: the dialog's own default
        QTest::addColumn<QString>("chosen"); // empty: the dialog is cancelled

        // The dialog remembers the last folder it showed and falls back to it, so
        // the rows that must open in the default come before any fixture folder
        // was shown.
        const QString chineseFolder = Fixture("微信 多开/程序 目录");
        const QString chinese = chineseFolder + "/微信 客户端.exe";
        QTest::newRow("empty field") << QString() << QString() << QString();
        QTest::newRow("missing file in an existing folder")
            << Fixture("plain/missing.exe") << QString() << QString();
        QTest::newRow("existing file") << chinese << chineseFolder << QString();
        QTest::newRow("folder, a file chosen") << Fixture("plain") << Fixture("plain") << chinese;
    }

    void browse()
    {
        QFETCH(QString, fieldText);
        QFETCH(QString, expectedDirectory);
        QFETCH(QString, chosen);
        if (expectedDirectory.isEmpty()) {
            // Where a dialog given no folder opens, asked the way the program asks.
            expectedDirectory = QFileDialog(nullptr, QString(), QString()).directory().absolutePath();
            QVERIFY(expectedDirectory != Fixture("plain"));
        }
        F.Form->WeiXinPath_QLineEdit->setText(fieldText);
        if (chosen.isEmpty())
            F.Answerer->NextCancel();
        else
            F.Answerer->NextFile(chosen);
        TestKit::PressAndReleaseOutside(F.Form->WeiXinPath_QPushButton);

        QCOMPARE(F.Answerer->Records().size(), 1);
        const TestKit::ModalRecord &dialog = F.Answerer->Records().first();
        QCOMPARE((QStringList {dialog.className, dialog.title, QDir(dialog.text).absolutePath(),
                               dialog.nameFilters.join(";;"),
                               dialog.parent == F.Window.get() ? "on the window" : "",
                               F.Form->WeiXinPath_QLineEdit->text()}),
                 (QStringList {"QFileDialog", "选择微信可执行文件", QDir(expectedDirectory).absolutePath(),
                               "可执行文件 (*.exe);;所有文件 (*)", "on the window",
                               chosen.isEmpty() ? fieldText : chosen}));
        // Choosing only fills the field; nothing starts until asked.
        QVERIFY(Instances().isEmpty());
    }

#ifndef Q_OS_WIN
    void detachedStart_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("searchPath"); // PATH while starting, when set
        QTest::addColumn<int>("error"); // 0: it starts
        QTest::newRow("name found in PATH") << "WeChat.exe"
                                            << "/nonexistent-dir:" + Fixture("plain") << 0;
        QTest::newRow("name not in PATH") << "varno-no-such-program" << QString() << int(ENOENT);
        QTest::newRow("a folder") << Fixture("plain") << QString() << int(EACCES);
    }

    // Nothing ties a started instance to the toolbox: no session, terminal or
    // pipe shared; the go-between process and a program that failed are reaped.
    void detachedStart()
    {
        QFETCH(QString, program);
        QFETCH(QString, searchPath);
        QFETCH(int, error);
        const QByteArray savedPath = qgetenv("PATH");
        if (!searchPath.isEmpty())
            qputenv("PATH", QFile::encodeName(searchPath));
        const Launcher::StartOutcome outcome = Launcher::StartDetached(program);
        qputenv("PATH", savedPath);
        const QList<Instance> children = Instances();
        QCOMPARE(QStringList(outcome.started ? "started" : outcome.errorText) + Programs(children),
                 error ? QStringList(StartError(error))
                       : QStringList({"started", Fixture("plain/WeChat.exe")}));
        if (!outcome.started)
            return;
        QCOMPARE(outcome.processId, children.first().pid);
        QVERIFY(::getsid(pid_t(outcome.processId)) != ::getsid(0));
        for (int fd = 0; fd < 3; ++fd)
            QCOMPARE(QFile::symLinkTarget(QStringLiteral("/proc/%1/fd/%2").arg(outcome.processId).arg(fd)),
                     QStringLiteral("/dev/null"));
    }

#endif

private:
    QString Fixture(const QString &relative) const
    {
        return QDir(FixtureDir.path()).filePath(relative);
    }

    QTemporaryDir FixtureDir;
    QTemporaryDir WorkingDirectory;
    TestKit::WindowFixture F;
};

VARNO_TEST_MAIN(TestWeChatLauncher)
#include "tst_wechatlauncher.moc"

#include "app/SystemTray.h"
#include "kit/MainWindowProbe.h"
#include "kit/TestKit.h"
#include "launcher/DetachedStart.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <memory>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Child
{
    qint64 pid;
    char state;
    qint64 createdMilliseconds; // since boot
};

// This process's children, oldest first. The launcher orphans what it starts
// on purpose; initTestCase makes this process adopt such orphans, so the
// instances show up here and can be reaped after being killed.
QList<Child> Children()
{
    QList<Child> children;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        QFile file(QStringLiteral("/proc/%1/stat").arg(entry));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QByteArray stat = file.readAll();
        // After the command name: state, parent, ..., creation time in clock
        // ticks as the 20th.
        const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 19 && fields.at(1).toLongLong() == ::getpid())
            children.append({entry.toLongLong(), fields.at(0).at(0),
                             fields.at(19).toLongLong() * 1000 / ::sysconf(_SC_CLK_TCK)});
    }
    std::sort(children.begin(), children.end(), [](const Child &a, const Child &b) {
        return std::make_pair(a.createdMilliseconds, a.pid) < std::make_pair(b.createdMilliseconds, b.pid);
    });
    return children;
}

// What each child runs, or "zombie".
QStringList Running(const QList<Child> &children)
{
    QStringList running;
    for (const Child &child : children)
        running.append(child.state == 'Z'
                           ? QStringLiteral("zombie")
                           : QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(child.pid)));
    return running;
}

} // namespace

class TestWeChatLauncher : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void detachedStart_data();
    void detachedStart();
    void launch_data();
    void launch();
    void browse_data();
    void browse();

private:
    QString Fixture(const QString &relative) const { return QDir(FixtureDir.path()).filePath(relative); }
    Ui::MainWindow *Form() { return MainWindowProbe::Form(*Window); }

    QTemporaryDir FixtureDir;
    QTemporaryDir WorkingDirectory;
    std::unique_ptr<TestKit::IsolatedSettings> Settings;
    std::unique_ptr<TestKit::ModalAnswerer> Answerer;
    std::unique_ptr<MainWindow> Window;
};

void TestWeChatLauncher::initTestCase()
{
    QVERIFY(::prctl(PR_SET_CHILD_SUBREAPER, 1) == 0);
    // Keeps the file dialog's fallback folder apart from the fixture folders.
    QVERIFY(QDir::setCurrent(WorkingDirectory.path()));
    QVERIFY(QDir(FixtureDir.path()).mkpath(QStringLiteral("plain")));
    QVERIFY(QDir(FixtureDir.path()).mkpath(QStringLiteral("微信 多开/程序 目录")));
    for (const char *copy :
         {"plain/WeChat", "微信 多开/程序 目录/微信 客户端.exe", "plain/not-executable.exe"})
        QVERIFY(QFile::copy(QStringLiteral(VARNO_WECHAT_STAND_IN), Fixture(QString::fromUtf8(copy))));
    // Even root needs an execute bit to run a file.
    QVERIFY(QFile::setPermissions(Fixture(QStringLiteral("plain/not-executable.exe")),
                                  QFile::ReadOwner | QFile::WriteOwner));
}

void TestWeChatLauncher::init()
{
    Settings = std::make_unique<TestKit::IsolatedSettings>();
    Answerer = std::make_unique<TestKit::ModalAnswerer>();
    SystemTray::SetAvailabilityOverride(true);
    Window = std::make_unique<MainWindow>();
    RecordingNotifier::InstallOn(*Window);
    Window->show();
    QVERIFY(QTest::qWaitForWindowExposed(Window.get()));
}

void TestWeChatLauncher::cleanup()
{
    Window.reset();
    for (const Child &child : Children()) {
        ::kill(pid_t(child.pid), SIGKILL);
        ::waitpid(pid_t(child.pid), nullptr, 0);
    }
    SystemTray::SetAvailabilityOverride(std::nullopt);
    Settings.reset();
    QCOMPARE(Answerer->UnexpectedCount(), 0);
}

void TestWeChatLauncher::detachedStart_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("searchPath"); // PATH while starting, when set
    QTest::addColumn<int>("error"); // 0: it starts

    QTest::newRow("name found in PATH")
        << QStringLiteral("WeChat") << QStringLiteral("/nonexistent-dir:") + Fixture(QStringLiteral("plain"))
        << 0;
    QTest::newRow("name not in PATH") << QStringLiteral("varno-no-such-program") << QString() << int(ENOENT);
    QTest::newRow("a folder") << Fixture(QStringLiteral("plain")) << QString() << int(EACCES);
}

void TestWeChatLauncher::detachedStart()
{
    QFETCH(QString, program);
    QFETCH(QString, searchPath);
    QFETCH(int, error);
    const QByteArray savedPath = qgetenv("PATH");
    if (!searchPath.isEmpty())
        qputenv("PATH", QFile::encodeName(searchPath));

    const Launcher::StartOutcome outcome = Launcher::StartDetached(program);
    qputenv("PATH", savedPath);

    // The go-between process and a program that failed to exec are reaped.
    const QList<Child> children = Children();
    const QStringList expected = error
        ? QStringList {QStringLiteral("execvp: ") + qt_error_string(error)}
        : QStringList {QStringLiteral("started"), Fixture(QStringLiteral("plain/WeChat"))};
    QCOMPARE(QStringList {outcome.started ? QStringLiteral("started") : outcome.errorText}
                 + Running(children),
             expected);
    if (!outcome.started)
        return;
    QCOMPARE(outcome.processId, children.first().pid);
    // Nothing ties it to the toolbox: no session, terminal or pipe shared.
    QVERIFY(::getsid(pid_t(outcome.processId)) != ::getsid(0));
    for (int fd = 0; fd < 3; ++fd)
        QCOMPARE(QFile::symLinkTarget(QStringLiteral("/proc/%1/fd/%2").arg(outcome.processId).arg(fd)),
                 QStringLiteral("/dev/null"));
}

void TestWeChatLauncher::launch_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<int>("count");
    QTest::addColumn<QStringList>("expected"); // the boxes, then what runs

    const QString plain = Fixture(QStringLiteral("plain/WeChat"));
    const QString chinese = Fixture(QStringLiteral("微信 多开/程序 目录/微信 客户端.exe"));
    const auto failures = [](int count, int error) {
        QStringList boxes;
        for (int i = 1; i <= count; ++i)
            boxes << QStringLiteral("Critical 启动失败: 启动第 %1 个微信实例失败：execvp: %2")
                         .arg(i)
                         .arg(qt_error_string(error));
        return boxes;
    };
    QTest::newRow("ten instances") << plain << 10 << QStringList(QVector<QString>(10, plain).toList());
    QTest::newRow("blanks and Chinese in the path") << chinese << 2 << QStringList {chinese, chinese};
    QTest::newRow("missing file") << Fixture(QStringLiteral("plain/missing.exe")) << 3 << failures(3, ENOENT);
    QTest::newRow("no execute permission")
        << Fixture(QStringLiteral("plain/not-executable.exe")) << 2 << failures(2, EACCES);
    QTest::newRow("only blanks is not empty") << QStringLiteral("   ") << 1 << failures(1, ENOENT);
    QTest::newRow("empty path") << QString() << 3
                                << QStringList {
                                       QStringLiteral("Warning 路径无效: 请选择有效的微信可执行文件路径！")};
    // The spin box stops users before zero; the check behind it still holds.
    QTest::newRow("count zero") << plain << 0
                                << QStringList {QStringLiteral("Warning 微信数量无效: 请输入大于0数字！")};
}

void TestWeChatLauncher::launch()
{
    QFETCH(QString, program);
    QFETCH(int, count);
    QFETCH(QStringList, expected);
    Form()->WeiXinPath_QLineEdit->setText(program);
    Form()->WeiXinNumber_QSpinBox->setMinimum(0);
    Form()->WeiXinNumber_QSpinBox->setValue(count);
    for (int i = 0; i <= count; ++i)
        Answerer->NextClick(QMessageBox::Ok);
    const auto seen = [this] {
        QStringList record;
        for (const TestKit::ModalRecord &box : Answerer->Records())
            record << QStringLiteral("%1 %2: %3%4")
                          .arg(QLatin1String(QMetaEnum::fromType<QMessageBox::Icon>().valueToKey(box.icon)),
                               box.title, box.text,
                               box.parent == Window.get() ? QString()
                                                          : QStringLiteral(" (not on the window)"));
        return record + Running(Children());
    };

    // The button acts on press, whatever the release does. The window goes
    // on ticking while instances start, and a press meanwhile starts no more.
    QSignalSpy ticks(MainWindowProbe::ApplicationTimer(*Window), &QTimer::timeout);
    TestKit::PressAndReleaseOutside(Form()->WeiXinNumber_QPushButton);
    if (count > 2 && expected.first() == program) {
        QTRY_VERIFY(!seen().isEmpty());
        TestKit::PressAndReleaseOutside(Form()->WeiXinNumber_QPushButton);
    }
    QTRY_COMPARE_WITH_TIMEOUT(seen(), expected, 20000);
    const int ticksByTheLastStart = ticks.count();
    QTest::qWait(300);
    QCOMPARE(seen(), expected);
    const QList<Child> children = Children();
    if (children.size() >= 10)
        QVERIFY(ticksByTheLastStart > 0);

    // A pause after each start: every instance was created at least 200 ms
    // after the one before (the kernel's creation times, so a slow-to-run
    // instance cannot blur the spacing).
    for (int i = 1; i < children.size(); ++i)
        QVERIFY2(children.at(i).createdMilliseconds - children.at(i - 1).createdMilliseconds >= 200,
                 qPrintable(QStringLiteral("instances %1 and %2 too close").arg(i).arg(i + 1)));

    // The instances live on without the window that started them.
    Window.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QTest::qWait(100);
    QCOMPARE(Running(Children()), Running(children));
}

void TestWeChatLauncher::browse_data()
{
    QTest::addColumn<QString>("fieldText");
    QTest::addColumn<QString>("expectedDirectory"); // empty: the dialog's own default
    QTest::addColumn<QString>("chosen"); // empty: the dialog is cancelled

    // The dialog remembers the last folder it showed and falls back to it, so
    // the rows that must open in the default come before any fixture folder
    // was shown.
    const QString chineseFolder = Fixture(QStringLiteral("微信 多开/程序 目录"));
    const QString chinese = chineseFolder + QStringLiteral("/微信 客户端.exe");
    QTest::newRow("empty field") << QString() << QString() << QString();
    QTest::newRow("missing file in an existing folder")
        << Fixture(QStringLiteral("plain/missing.exe")) << QString() << QString();
    QTest::newRow("existing file") << chinese << chineseFolder << QString();
    QTest::newRow("folder") << Fixture(QStringLiteral("plain")) << Fixture(QStringLiteral("plain"))
                            << QString();
    QTest::newRow("file chosen") << Fixture(QStringLiteral("plain/WeChat"))
                                 << Fixture(QStringLiteral("plain")) << chinese;
}

void TestWeChatLauncher::browse()
{
    QFETCH(QString, fieldText);
    QFETCH(QString, expectedDirectory);
    QFETCH(QString, chosen);
    if (expectedDirectory.isEmpty()) {
        // Where a dialog given no folder opens, asked the way the program asks.
        expectedDirectory = QFileDialog(nullptr, QString(), QString()).directory().absolutePath();
        QVERIFY(expectedDirectory != Fixture(QStringLiteral("plain")));
    }
    Form()->WeiXinPath_QLineEdit->setText(fieldText);
    if (chosen.isEmpty())
        Answerer->NextCancel();
    else
        Answerer->NextFile(chosen);

    TestKit::PressAndReleaseOutside(Form()->WeiXinPath_QPushButton);

    QCOMPARE(Answerer->Records().size(), 1);
    const TestKit::ModalRecord &dialog = Answerer->Records().first();
    QCOMPARE((QStringList {dialog.className, dialog.title, dialog.text,
                           dialog.nameFilters.join(QLatin1String(";;")),
                           dialog.parent == Window.get() ? QStringLiteral("on the window") : QString(),
                           Form()->WeiXinPath_QLineEdit->text()}),
             (QStringList {QStringLiteral("QFileDialog"), QStringLiteral("选择微信可执行文件"),
                           QDir(expectedDirectory).absolutePath(),
                           QStringLiteral("可执行文件 (*.exe);;所有文件 (*)"),
                           QStringLiteral("on the window"), chosen.isEmpty() ? fieldText : chosen}));
    // Choosing only fills the field; nothing starts until asked.
    QVERIFY(Children().isEmpty());
}

VARNO_TEST_MAIN(TestWeChatLauncher)
#include "tst_wechatlauncher.moc"

#include "ProcessWatch.h"
#include "app/SystemTray.h"
#include "kit/MainWindowProbe.h"
#include "kit/TestKit.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <cerrno>
#include <memory>

class TestWeChatLauncher : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void launch_data();
    void launch();
    void instancesOutliveTheWindow();
    void buttonsActOnPress();
    void browseStartDirectory_data();
    void browseStartDirectory();
    void browseWritesTheChoice();

private:
    QString FixturePath(const QString &relative) const { return QDir(Fixture.path()).filePath(relative); }
    Ui::MainWindow *Form() { return MainWindowProbe::Form(*Window); }
    void RememberStarts();

    QTemporaryDir Fixture;
    QTemporaryDir WorkingDirectory;
    QString RecordPath;
    QList<qint64> Started;
    std::unique_ptr<TestKit::IsolatedSettings> Settings;
    std::unique_ptr<TestKit::ModalAnswerer> Answerer;
    std::unique_ptr<MainWindow> Window;
};

void TestWeChatLauncher::initTestCase()
{
    QVERIFY(ProcessWatch::AdoptOrphans());
    QVERIFY(Fixture.isValid());
    QVERIFY(WorkingDirectory.isValid());
    // Keeps the dialog's fallback folder apart from the fixture folders.
    QVERIFY(QDir::setCurrent(WorkingDirectory.path()));

    QVERIFY(QDir(Fixture.path()).mkpath(QStringLiteral("plain")));
    QVERIFY(QDir(Fixture.path()).mkpath(QStringLiteral("微信 多开/程序 目录")));
    const QString recorder = QStringLiteral(VARNO_LAUNCH_RECORDER);
    QVERIFY(QFile::copy(recorder, FixturePath(QStringLiteral("plain/WeChat"))));
    QVERIFY(QFile::copy(recorder, FixturePath(QStringLiteral("微信 多开/程序 目录/微信 客户端.exe"))));
    QVERIFY(QFile::copy(recorder, FixturePath(QStringLiteral("plain/not-executable.exe"))));
    QVERIFY(
        QFile::setPermissions(FixturePath(QStringLiteral("plain/not-executable.exe")),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther));
}

void TestWeChatLauncher::init()
{
    RecordPath
        = FixturePath(QStringLiteral("starts-%1-%2.txt")
                          .arg(QString::fromLatin1(QTest::currentTestFunction()),
                               QString::fromLatin1(QTest::currentDataTag()).replace(QLatin1Char(' '), '_')));
    QFile::remove(RecordPath);
    qputenv("VARNO_LAUNCH_RECORD", QFile::encodeName(RecordPath));

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
    QCOMPARE(Answerer->UnexpectedCount(), 0);
    Answerer.reset();
    SystemTray::SetAvailabilityOverride(std::nullopt);
    Settings.reset();

    RememberStarts();
    for (qint64 pid : qAsConst(Started))
        ProcessWatch::KillAndReap(pid);
    Started.clear();
    QCOMPARE(ProcessWatch::ZombieChildren(), QList<qint64>());
}

void TestWeChatLauncher::RememberStarts()
{
    for (const ProcessWatch::Start &start : ProcessWatch::ReadStarts(RecordPath)) {
        if (!Started.contains(start.pid))
            Started.append(start.pid);
    }
}

void TestWeChatLauncher::launch_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("expectedStarts");
    // Each expected box as title, then text.
    QTest::addColumn<QStringList>("expectedBoxes");
    QTest::addColumn<int>("expectedIcon");

    const auto failures = [](int count, int errorCode) {
        QStringList boxes;
        for (int i = 1; i <= count; ++i) {
            boxes << QStringLiteral("启动失败")
                  << QStringLiteral("启动第 %1 个微信实例失败：execvp: %2")
                         .arg(i)
                         .arg(qt_error_string(errorCode));
        }
        return boxes;
    };
    const int critical = QMessageBox::Critical;
    const int warning = QMessageBox::Warning;

    QTest::newRow("three instances") << FixturePath(QStringLiteral("plain/WeChat")) << 3 << 3 << QStringList()
                                     << 0;
    QTest::newRow("blanks and Chinese in the path")
        << FixturePath(QStringLiteral("微信 多开/程序 目录/微信 客户端.exe")) << 2 << 2 << QStringList() << 0;
    QTest::newRow("missing file") << FixturePath(QStringLiteral("plain/missing.exe")) << 3 << 0
                                  << failures(3, ENOENT) << critical;
    QTest::newRow("no execute permission") << FixturePath(QStringLiteral("plain/not-executable.exe")) << 2
                                           << 0 << failures(2, EACCES) << critical;
    QTest::newRow("only blanks is not empty")
        << QStringLiteral("   ") << 1 << 0 << failures(1, ENOENT) << critical;
    QTest::newRow("empty path") << QString() << 3 << 0
                                << QStringList {QStringLiteral("路径无效"),
                                                QStringLiteral("请选择有效的微信可执行文件路径！")}
                                << warning;
    // The spin box stops users before zero; the check behind it still holds.
    QTest::newRow("count zero") << FixturePath(QStringLiteral("plain/WeChat")) << 0 << 0
                                << QStringList {QStringLiteral("微信数量无效"),
                                                QStringLiteral("请输入大于0数字！")}
                                << warning;
}

void TestWeChatLauncher::launch()
{
    QFETCH(QString, program);
    QFETCH(int, count);
    QFETCH(int, expectedStarts);
    QFETCH(QStringList, expectedBoxes);
    QFETCH(int, expectedIcon);

    Form()->WeiXinPath_QLineEdit->setText(program);
    if (count < Form()->WeiXinNumber_QSpinBox->minimum())
        Form()->WeiXinNumber_QSpinBox->setMinimum(count);
    Form()->WeiXinNumber_QSpinBox->setValue(count);
    for (int i = 0; i < expectedBoxes.size() / 2; ++i)
        Answerer->NextClick(QMessageBox::Ok);

    QElapsedTimer launching;
    launching.start();
    TestKit::Click(Window.get(), QStringLiteral("WeiXinNumber_QPushButton"));
    const qint64 launchMilliseconds = launching.elapsed();

    const QList<ProcessWatch::Start> starts = ProcessWatch::WaitForStarts(RecordPath, expectedStarts);
    RememberStarts();
    QCOMPARE(starts.size(), expectedStarts);

    const QList<TestKit::ModalRecord> &records = Answerer->Records();
    QCOMPARE(records.size(), expectedBoxes.size() / 2);
    for (int i = 0; i < records.size(); ++i) {
        const TestKit::ModalRecord &record = records.at(i);
        QCOMPARE(record.className, QStringLiteral("QMessageBox"));
        QCOMPARE(record.title, expectedBoxes.at(2 * i));
        QCOMPARE(record.text, expectedBoxes.at(2 * i + 1));
        QCOMPARE(int(record.icon), expectedIcon);
        QCOMPARE(record.buttons, QList<QMessageBox::StandardButton> {QMessageBox::Ok});
        QCOMPARE(record.parent.data(), static_cast<QWidget *>(Window.get()));
        QVERIFY(record.expected);
    }

    QList<qint64> created;
    for (const ProcessWatch::Start &start : starts) {
        QVERIFY2(ProcessWatch::IsRunning(start.pid), qPrintable(QString::number(start.pid)));
        created.append(ProcessWatch::CreationMilliseconds(start.pid));
    }
    // One start after another with a pause after each: every instance was
    // created at least 200 ms after the one before (the kernel's creation
    // times, so a slow-to-run instance cannot blur the spacing).
    std::sort(created.begin(), created.end());
    for (int i = 1; i < created.size(); ++i)
        QVERIFY2(created.at(i) - created.at(i - 1) >= 200,
                 qPrintable(QStringLiteral("instances %1 and %2 created %3 ms apart")
                                .arg(i)
                                .arg(i + 1)
                                .arg(created.at(i) - created.at(i - 1))));
    QVERIFY(launchMilliseconds >= 200 * expectedStarts);
    QCOMPARE(ProcessWatch::ZombieChildren(), QList<qint64>());
}

void TestWeChatLauncher::instancesOutliveTheWindow()
{
    Form()->WeiXinPath_QLineEdit->setText(FixturePath(QStringLiteral("plain/WeChat")));
    Form()->WeiXinNumber_QSpinBox->setValue(2);
    TestKit::Click(Window.get(), QStringLiteral("WeiXinNumber_QPushButton"));
    const QList<ProcessWatch::Start> starts = ProcessWatch::WaitForStarts(RecordPath, 2);
    RememberStarts();
    QCOMPARE(starts.size(), 2);

    Window.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QTest::qWait(300);
    for (const ProcessWatch::Start &start : starts)
        QVERIFY2(ProcessWatch::IsRunning(start.pid), qPrintable(QString::number(start.pid)));
    QCOMPARE(Answerer->Records().size(), 0);
}

void TestWeChatLauncher::buttonsActOnPress()
{
    Answerer->NextClick(QMessageBox::Ok);
    TestKit::PressAndReleaseOutside(Form()->WeiXinNumber_QPushButton);
    Answerer->NextCancel();
    TestKit::PressAndReleaseOutside(Form()->WeiXinPath_QPushButton);

    QCOMPARE(Answerer->Records().size(), 2);
    QCOMPARE(Answerer->Records().at(0).title, QStringLiteral("路径无效"));
    QCOMPARE(Answerer->Records().at(1).className, QStringLiteral("QFileDialog"));
}

void TestWeChatLauncher::browseStartDirectory_data()
{
    QTest::addColumn<QString>("fieldText");
    QTest::addColumn<QString>("expectedDirectory"); // empty: the dialog's own default

    // The dialog remembers the last folder it showed and falls back to it, so
    // the rows that must open in the default come before any fixture folder
    // was shown.
    const QString chineseFolder = FixturePath(QStringLiteral("微信 多开/程序 目录"));
    QTest::newRow("empty field") << QString() << QString();
    QTest::newRow("missing file in an existing folder")
        << FixturePath(QStringLiteral("plain/missing.exe")) << QString();
    QTest::newRow("existing file") << chineseFolder + QStringLiteral("/微信 客户端.exe") << chineseFolder;
    QTest::newRow("folder") << FixturePath(QStringLiteral("plain")) << FixturePath(QStringLiteral("plain"));
}

void TestWeChatLauncher::browseStartDirectory()
{
    QFETCH(QString, fieldText);
    QFETCH(QString, expectedDirectory);

    if (expectedDirectory.isEmpty()) {
        // Where a dialog given no folder opens, asked the same way the
        // program asks.
        QFileDialog probe(nullptr, QString(), QString());
        expectedDirectory = probe.directory().absolutePath();
        QVERIFY(expectedDirectory != FixturePath(QStringLiteral("plain")));
    }

    Form()->WeiXinPath_QLineEdit->setText(fieldText);
    QString selectedFilter;
    Answerer->Next([&selectedFilter](QWidget *modal) {
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        if (dialog)
            selectedFilter = dialog->selectedNameFilter();
        qobject_cast<QDialog *>(modal)->reject();
    });
    TestKit::Click(Window.get(), QStringLiteral("WeiXinPath_QPushButton"));

    QCOMPARE(Answerer->Records().size(), 1);
    const TestKit::ModalRecord &record = Answerer->Records().at(0);
    QCOMPARE(record.className, QStringLiteral("QFileDialog"));
    QCOMPARE(record.title, QStringLiteral("选择微信可执行文件"));
    QCOMPARE(record.text, QDir(expectedDirectory).absolutePath());
    QCOMPARE(record.nameFilters,
             QStringList({QStringLiteral("可执行文件 (*.exe)"), QStringLiteral("所有文件 (*)")}));
    QCOMPARE(selectedFilter, QStringLiteral("可执行文件 (*.exe)"));
    QCOMPARE(record.parent.data(), static_cast<QWidget *>(Window.get()));
    // Cancelled: the field keeps what it had.
    QCOMPARE(Form()->WeiXinPath_QLineEdit->text(), fieldText);
}

void TestWeChatLauncher::browseWritesTheChoice()
{
    const QString chosen = FixturePath(QStringLiteral("微信 多开/程序 目录/微信 客户端.exe"));
    Form()->WeiXinPath_QLineEdit->setText(FixturePath(QStringLiteral("plain/WeChat")));
    Answerer->NextFile(chosen);
    TestKit::Click(Window.get(), QStringLiteral("WeiXinPath_QPushButton"));

    QCOMPARE(Answerer->Records().size(), 1);
    QCOMPARE(Form()->WeiXinPath_QLineEdit->text(), chosen);
    // Choosing only fills the field; nothing starts until asked.
    QTest::qWait(100);
    QVERIFY(!QFile::exists(RecordPath));
}

VARNO_TEST_MAIN(TestWeChatLauncher)
#include "tst_wechatlauncher.moc"

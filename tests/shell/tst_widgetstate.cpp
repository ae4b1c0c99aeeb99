#include "kit/FakeClock.h"
#include "kit/MainWindowProbe.h"
#include "kit/TestKit.h"
#include "persistence/SettingsStore.h"
#include "persistence/WidgetState.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDateTimeEdit>
#include <QDoubleSpinBox>
#include <QFile>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSettings>
#include <QSlider>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QTextEdit>
#include <QTimeEdit>
#include <QtTest>

#include <memory>

namespace {

QSettings Store()
{
    return QSettings(SettingsStore::OrganisationName, SettingsStore::ApplicationName);
}

// One widget of the named class, named "Probe", in the state a fresh form
// would give it.
QWidget *MakeProbe(const QString &className, QWidget *parent)
{
    QWidget *widget = nullptr;
    if (className == "QComboBox") {
        auto *box = new QComboBox(parent);
        box->addItems({"1", "2", "3", "4"});
        widget = box;
    } else if (className == "QLineEdit") {
        widget = new QLineEdit(QStringLiteral("initial"), parent);
    } else if (className == "QTextEdit") {
        widget = new QTextEdit(parent);
    } else if (className == "QPlainTextEdit") {
        widget = new QPlainTextEdit(parent);
    } else if (className == "QSpinBox") {
        auto *spin = new QSpinBox(parent);
        spin->setRange(1, 100);
        widget = spin;
    } else if (className == "QDoubleSpinBox") {
        auto *spin = new QDoubleSpinBox(parent);
        spin->setLocale(QLocale::c());
        widget = spin;
    } else if (className == "QSlider") {
        widget = new QSlider(parent);
    } else if (className == "QRadioButton") {
        widget = new QRadioButton(parent);
    } else if (className == "QCheckBox") {
        widget = new QCheckBox(parent);
    } else if (className == "QListView") {
        widget = new QListView(parent);
    } else if (className == "QDateEdit") {
        auto *edit = new QDateEdit(QDate(2000, 1, 1), parent);
        edit->setDisplayFormat("yyyy/M/d");
        widget = edit;
    } else if (className == "QTimeEdit") {
        auto *edit = new QTimeEdit(QTime(0, 0), parent);
        edit->setDisplayFormat("H:mm");
        widget = edit;
    } else if (className == "QDateTimeEdit") {
        widget = new QDateTimeEdit(parent);
    }
    Q_ASSERT(widget);
    widget->setObjectName("Probe");
    // As the program's own edits do, whatever the system's digits are.
    widget->setLocale(QLocale::c());
    return widget;
}

} // namespace

class TestWidgetState : public QObject
{
    Q_OBJECT

private slots:
    void init() { Settings = std::make_unique<TestKit::IsolatedSettings>(); }
    void cleanup() { Settings.reset(); }

    void restoreThenSave_data();
    void restoreThenSave();
    void unpersistedClassesAreIgnored();
    void programVariablesNeverTouchWidgets();
    void findDescendantByName();
    void windowRoundTripUnderEveryLocale_data();
    void windowRoundTripUnderEveryLocale();
    void handEditedAndCorruptedStore_data();
    void handEditedAndCorruptedStore();
    void quitFromTrayKeepsWhatWasTyped();
    void aDamagedStoreIsSetAsideAndTheNextSaveKept();

private:
    std::unique_ptr<TestKit::IsolatedSettings> Settings;
};

// A stored text is loaded into a fresh widget, then saved again: the second
// text is what the widget made of the first.
void TestWidgetState::restoreThenSave_data()
{
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("savedAgain");

    QTest::newRow("line edit") << "QLineEdit"
                               << "D:/微信 WeChat/a_b.exe"
                               << "D:/微信 WeChat/a_b.exe";
    QTest::newRow("line edit emptied") << "QLineEdit"
                                       << ""
                                       << "";
    QTest::newRow("text edit") << "QTextEdit"
                               << "two\nlines"
                               << "two\nlines";
    QTest::newRow("plain text edit") << "QPlainTextEdit"
                                     << "x\ny"
                                     << "x\ny";
    QTest::newRow("spin box") << "QSpinBox"
                              << "42"
                              << "42";
    QTest::newRow("spin box not a number") << "QSpinBox"
                                           << "many"
                                           << "1";
    QTest::newRow("spin box above range") << "QSpinBox"
                                          << "1000"
                                          << "100";
    QTest::newRow("double spin box") << "QDoubleSpinBox"
                                     << "2.50"
                                     << "2.50";
    QTest::newRow("slider") << "QSlider"
                            << "7"
                            << "7";
    QTest::newRow("radio checked") << "QRadioButton"
                                   << "1"
                                   << "1";
    QTest::newRow("radio unchecked") << "QRadioButton"
                                     << "0"
                                     << "0";
    QTest::newRow("radio other value ignored") << "QRadioButton"
                                               << "true"
                                               << "0";
    QTest::newRow("check box checked") << "QCheckBox"
                                       << "1"
                                       << "1";
    QTest::newRow("check box other value ignored") << "QCheckBox"
                                                   << "2"
                                                   << "0";
    QTest::newRow("combo second item") << "QComboBox"
                                       << "1_1_2_3_4"
                                       << "1_1_2_3_4";
    QTest::newRow("combo exactly zero keeps items") << "QComboBox"
                                                    << "0"
                                                    << "0_1_2_3_4";
    QTest::newRow("combo replaces items") << "QComboBox"
                                          << "0_a_b"
                                          << "0_a_b";
    QTest::newRow("combo item with underscore splits") << "QComboBox"
                                                       << "1_a_b_c"
                                                       << "1_a_b_c";
    QTest::newRow("combo saved empty") << "QComboBox"
                                       << "-1"
                                       << "-1";
    QTest::newRow("combo index out of range") << "QComboBox"
                                              << "9_1_2"
                                              << "-1_1_2";
    QTest::newRow("combo empty pieces kept") << "QComboBox"
                                             << "0__x"
                                             << "0__x";
    QTest::newRow("list view") << "QListView"
                               << "0_a_b"
                               << "0_a_b";
    QTest::newRow("list view exactly zero") << "QListView"
                                            << "0"
                                            << "0";
    QTest::newRow("date") << "QDateEdit"
                          << "2031/3/7"
                          << "2031/3/7";
    QTest::newRow("date in another format") << "QDateEdit"
                                            << "07.03.2031"
                                            << "2000/1/1";
    QTest::newRow("time") << "QTimeEdit"
                          << "9:05"
                          << "9:05";
    QTest::newRow("time with seconds") << "QTimeEdit"
                                       << "9:05:33"
                                       << "0:00";
}

void TestWidgetState::restoreThenSave()
{
    QFETCH(QString, className);
    QFETCH(QString, stored);
    QFETCH(QString, savedAgain);

    Store().setValue("Probe", stored);

    QStandardItemModel listModel;
    QWidget root;
    QWidget *probe = MakeProbe(className, &root);
    WidgetState::RestoreWidgetState(&root, &listModel);

    Store().clear();
    WidgetState::SaveWidgetState(&root);
    QCOMPARE(Store().value("Probe").toString(), savedAgain);
    QCOMPARE(WidgetState::EncodeWidgetValue(probe), savedAgain);
}

void TestWidgetState::unpersistedClassesAreIgnored()
{
    QWidget root;
    auto *subclass = static_cast<QDateTimeEdit *>(MakeProbe("QDateTimeEdit", &root));
    const QDateTime before = subclass->dateTime();
    WidgetState::SaveWidgetState(&root);
    QVERIFY(!Store().contains("Probe"));

    Store().setValue("Probe", "2031/3/7");
    WidgetState::RestoreWidgetState(&root, nullptr);
    QCOMPARE(subclass->dateTime(), before);
}

void TestWidgetState::programVariablesNeverTouchWidgets()
{
    QWidget root;
    auto *edit = new QLineEdit("untouched", &root);
    edit->setObjectName(SettingsStore::IsShutdownScheduledKey);
    Store().setValue(SettingsStore::IsShutdownScheduledKey, "true");
    Store().setValue("NoSuchWidget", "x");
    WidgetState::RestoreWidgetState(&root, nullptr);
    QCOMPARE(edit->text(), QString("untouched"));
}

// A direct child wins at its level; among deeper matches the last one does.
void TestWidgetState::findDescendantByName()
{
    QObject root;
    auto *first = new QObject(&root);
    auto *deepEarly = new QObject(first);
    deepEarly->setObjectName("x");
    auto *second = new QObject(&root);
    auto *deepLate = new QObject(second);
    deepLate->setObjectName("x");
    QCOMPARE(WidgetState::FindDescendantByName(&root, "x"), deepLate);

    auto *direct = new QObject(&root);
    direct->setObjectName("x");
    auto *third = new QObject(&root);
    (new QObject(third))->setObjectName("x");
    QCOMPARE(WidgetState::FindDescendantByName(&root, "x"), direct);
    QCOMPARE(WidgetState::FindDescendantByName(&root, "missing"), nullptr);
}

void TestWidgetState::windowRoundTripUnderEveryLocale_data()
{
    QTest::addColumn<QString>("locale");
    for (const char *name : {"C", "en_US", "zh_CN", "de_DE", "ar_EG", "fa_IR", "hi_IN"})
        QTest::newRow(name) << QString(name);
}

// What the close button saves comes back in the next window, whatever the
// locales the program ran and runs under.
void TestWidgetState::windowRoundTripUnderEveryLocale()
{
    QFETCH(QString, locale);
    const QLocale previous;
    QLocale::setDefault(QLocale(locale));

    const QDate date(2031, 11, 23);
    const QTime time(7, 5);
    {
        TestKit::ModalAnswerer answerer;
        MainWindow window;
        Ui::MainWindow *form = MainWindowProbe::Form(window);
        form->Date_QDateEdit->setDate(date);
        form->Time_QTimeEdit->setTime(time);
        form->Date_EndWorkReminder_QDateEdit->setDate(date.addDays(1));
        form->Time_EndWorkReminder_QTimeEdit->setTime(QTime(23, 59));
        form->WeiXinPath_QLineEdit->setText("C:/Program Files/微信/WeChat.exe");
        form->WeiXinNumber_QSpinBox->setValue(7);
        form->CircleEnable_QRadioButton->setChecked(true);
        form->ColorEnable_QRadioButton->setChecked(true);
        form->IconEnable_QRadioButton->setChecked(true);
        form->EveryDate_QRadioButton->setChecked(true);
        form->TimeInterval_RestReminder_comboBox->setCurrentIndex(2);
        form->Radius_QLineEdit->setText("25");
        window.SaveWidgetState(&window);
    }

    // The next start may well run under another locale.
    QLocale::setDefault(locale == "C" ? QLocale("ar_EG") : QLocale::c());
    TestKit::ModalAnswerer answerer;
    MainWindow window;
    Ui::MainWindow *form = MainWindowProbe::Form(window);
    QLocale::setDefault(previous);
    QCOMPARE(form->Date_QDateEdit->date(), date);
    QCOMPARE(form->Time_QTimeEdit->time(), time);
    QCOMPARE(form->Date_EndWorkReminder_QDateEdit->date(), date.addDays(1));
    QCOMPARE(form->Time_EndWorkReminder_QTimeEdit->time(), QTime(23, 59));
    QCOMPARE(form->WeiXinPath_QLineEdit->text(), QString("C:/Program Files/微信/WeChat.exe"));
    QCOMPARE(form->WeiXinNumber_QSpinBox->value(), 7);
    QVERIFY(form->CircleEnable_QRadioButton->isChecked());
    QVERIFY(!form->NoneEnable_QRadioButton->isChecked());
    QVERIFY(form->ColorEnable_QRadioButton->isChecked());
    QVERIFY(form->IconEnable_QRadioButton->isChecked());
    QVERIFY(form->EveryDate_QRadioButton->isChecked());
    QVERIFY(!form->EveryDate_EndWorkReminder_QRadioButton->isChecked());
    QCOMPARE(form->TimeInterval_RestReminder_comboBox->currentText(), QString("3"));
    QCOMPARE(form->TimeInterval_RestReminder_comboBox->count(), 4);
    QCOMPARE(form->Radius_QLineEdit->text(), QString("25"));
}

void TestWidgetState::handEditedAndCorruptedStore_data()
{
    QTest::addColumn<QByteArray>("fileContents");
    QTest::addColumn<QString>("radius");
    QTest::addColumn<int>("count");
    QTest::addColumn<QStringList>("intervals");
    QTest::addColumn<QString>("interval");

    const QStringList fresh {"1", "2", "3", "4"};
    QTest::newRow("empty file") << QByteArray() << "10" << 1 << fresh << "1";
    QTest::newRow("binary garbage") << QByteArray("\x00\xff\xfe[\x01=\x02\n\x80\x81=\n", 12) << "10" << 1
                                    << fresh << "1";
    QTest::newRow("hand edited values")
        << QByteArray("[General]\nRadius_QLineEdit=abc\nWeiXinNumber_QSpinBox=lots\n"
                      "TimeInterval_RestReminder_comboBox=1_6_8\n")
        << "abc" << 1 << QStringList {"6", "8"} << "8";
    QTest::newRow("combo index beyond its items")
        << QByteArray("[General]\nTimeInterval_RestReminder_comboBox=9_1_2\nWeiXinNumber_QSpinBox=999\n")
        << "10" << 100 << QStringList {"1", "2"} << "";
    // Qt calls this a format error: it is set aside like any damaged file.
    QTest::newRow("unterminated section and odd escapes")
        << QByteArray("[General\nRadius_QLineEdit=plain\nWeiXinNumber_QSpinBox=\\x\n=\n===\n[\n") << "10" << 1
        << fresh << "1";
    QTest::newRow("variant garbage") << QByteArray(
        "[General]\nRadius_QLineEdit=@Variant(\\0\\0\\0\\x7f\\xff)\n"
        "WeiXinNumber_QSpinBox=@ByteArray(12)\n")
                                     << "" << 12 << fresh << "1";
    // Qt throws std::bad_alloc on every read of a store holding this value
    // (a list whose length it cannot read), so nothing of it can be restored.
    QTest::newRow("variant Qt cannot load")
        << QByteArray("[General]\nRadius_QLineEdit=25\nWeiXinNumber_QSpinBox=3\n"
                      "IconImagePath_QLineEdit=@Variant(\\0\\0\\0\\tx82)\n"
                      "IsRestReminderScheduled_Variable=true\n")
        << "10" << 1 << fresh << "1";
}

void TestWidgetState::handEditedAndCorruptedStore()
{
    QFETCH(QByteArray, fileContents);
    QFETCH(QString, radius);
    QFETCH(int, count);
    QFETCH(QStringList, intervals);
    QFETCH(QString, interval);

    QDir().mkpath(QFileInfo(Settings->FilePath()).path());
    QFile file(Settings->FilePath());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(fileContents);
    file.close();

    TestKit::ModalAnswerer answerer;
    MainWindow window;
    Ui::MainWindow *form = MainWindowProbe::Form(window);
    QCOMPARE(form->Radius_QLineEdit->text(), radius);
    QCOMPARE(form->WeiXinNumber_QSpinBox->value(), count);
    QStringList items;
    for (int i = 0; i < form->TimeInterval_RestReminder_comboBox->count(); ++i)
        items << form->TimeInterval_RestReminder_comboBox->itemText(i);
    QCOMPARE(items, intervals);
    QCOMPARE(form->TimeInterval_RestReminder_comboBox->currentText(), interval);
    // The tick reads the store again, every second.
    MainWindowProbe::Tick(window);
    QCOMPARE(answerer.Records().size(), 0);
}

void TestWidgetState::quitFromTrayKeepsWhatWasTyped()
{
    {
        TestKit::ModalAnswerer answerer;
        MainWindow window;
        MainWindowProbe::Form(window)->RawImagePath_QLineEdit->setText("typed after the last close");
        answerer.NextClick(QMessageBox::Yes);
        MainWindowProbe::QuitAction(window)->trigger();
        QCOMPARE(answerer.Records().size(), 1);
    }
    QCOMPARE(Store().value("RawImagePath_QLineEdit").toString(), QString("typed after the last close"));
}

namespace {

void WriteFile(const QString &path, const QByteArray &contents)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(contents);
}

QByteArray ReadFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("missing");
}

} // namespace

// Qt reads a value it cannot load as nothing and then refuses to write the
// file: moved aside at the start, the store takes the next save again. Qt
// caches files by path, so this runs in one process, as the program does.
void TestWidgetState::aDamagedStoreIsSetAsideAndTheNextSaveKept()
{
    TestKit::FakeClock clock(QDateTime(QDate(2024, 1, 15), QTime(9, 40, 5)));
    const QByteArray damaged(
        "[General]\nRadius_QLineEdit=25\nIconImagePath_QLineEdit=@Variant(\\0\\0\\0\\tx82)\n");
    const QString file = Settings->FilePath();
    WriteFile(file, damaged);
    WriteFile(file + ".damaged-20240115-094005", "an earlier one");
    QCOMPARE(SettingsStore::ReadText("Radius_QLineEdit"), QString());
    const QString aside = file + ".damaged-20240115-094005-2";
    QTest::ignoreMessage(QtWarningMsg,
                         qPrintable(QStringLiteral("The settings file %1 could not be read; it was "
                                                   "moved to %2 and the program starts from its "
                                                   "defaults.")
                                        .arg(file, aside)));
    {
        TestKit::ModalAnswerer answerer;
        MainWindow window;
        QCOMPARE(MainWindowProbe::Form(window)->Radius_QLineEdit->text(), QString("10"));
        MainWindowProbe::Form(window)->Radius_QLineEdit->setText("33");
        window.SaveWidgetState(&window);
    }
    QCOMPARE(ReadFile(aside), damaged);
    QCOMPARE(ReadFile(file + ".damaged-20240115-094005"), QByteArray("an earlier one"));
    TestKit::ModalAnswerer answerer;
    MainWindow window;
    QCOMPARE(MainWindowProbe::Form(window)->Radius_QLineEdit->text(), QString("33"));
}

VARNO_TEST_MAIN(TestWidgetState)
#include "tst_widgetstate.moc"

// Writes settings files as the program itself saves them, for the seed
// corpus of fuzz_widgetstate: fuzz_widgetstate_seeds <output folder>

#include "FuzzEnvironment.h"
#include "app/MainWindow.h"
#include "persistence/SettingsStore.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QRadioButton>
#include <QSettings>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimeEdit>

#include <cstdio>
#include <functional>

namespace {

template <typename T> T *Child(MainWindow &window, const char *name)
{
    T *child = window.findChild<T *>(QLatin1String(name));
    if (!child) {
        fprintf(stderr, "no %s in the main window\n", name);
        std::exit(1);
    }
    return child;
}

// Fixed moments, so the seeds do not change with the day they are made on.
void SetMoments(MainWindow &window, const QDate &shutdownDate, const QTime &shutdownTime,
                const QDate &endWorkDate, const QTime &endWorkTime)
{
    Child<QDateEdit>(window, "Date_QDateEdit")->setDate(shutdownDate);
    Child<QTimeEdit>(window, "Time_QTimeEdit")->setTime(shutdownTime);
    Child<QDateEdit>(window, "Date_EndWorkReminder_QDateEdit")->setDate(endWorkDate);
    Child<QTimeEdit>(window, "Time_EndWorkReminder_QTimeEdit")->setTime(endWorkTime);
}

bool WriteSeed(const QString &outputFolder, const QString &name,
               const std::function<void(MainWindow &)> &fill)
{
    QTemporaryDir store;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, store.path());
    {
        MainWindow window;
        fill(window);
        window.SaveWidgetState(&window);
    }
    const QString written = store.path() + QStringLiteral("/Varno/VarnoSoftware.conf");
    const QString target = outputFolder + QLatin1Char('/') + name;
    QFile::remove(target);
    if (!QFile::copy(written, target)) {
        fprintf(stderr, "could not copy %s to %s\n", qPrintable(written), qPrintable(target));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 2) {
        fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    const QString outputFolder = QString::fromLocal8Bit(argv[1]);
    FuzzEnvironment::PrepareGuiEnvironment();
    QApplication application(FuzzEnvironment::ApplicationArgc(), FuzzEnvironment::ApplicationArgv());
    FuzzEnvironment::SilenceNonFatalMessages();
    QTemporaryDir systemStore;
    QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, systemStore.path());
    QDir().mkpath(outputFolder);

    bool ok = true;
    ok &= WriteSeed(outputFolder, QStringLiteral("saved-first-start.conf"), [](MainWindow &window) {
        SetMoments(window, QDate(2024, 3, 7), QTime(9, 5), QDate(2024, 3, 7), QTime(9, 5));
    });
    ok &= WriteSeed(outputFolder, QStringLiteral("saved-all-pages.conf"), [](MainWindow &window) {
        Child<QLineEdit>(window, "WeiXinPath_QLineEdit")->setText(QStringLiteral("/opt/wechat/WeChat.exe"));
        Child<QSpinBox>(window, "WeiXinNumber_QSpinBox")->setValue(3);
        Child<QLineEdit>(window, "RawImagePath_QLineEdit")
            ->setText(QStringLiteral("/home/user/Pictures/logo.png"));
        Child<QLineEdit>(window, "IconImagePath_QLineEdit")->setText(QStringLiteral("/home/user/Pictures"));
        Child<QLineEdit>(window, "IconWidth_QLineEdit")->setText(QStringLiteral("64"));
        Child<QLineEdit>(window, "IconHeight_QLineEdit")->setText(QStringLiteral("64"));
        Child<QRadioButton>(window, "CircleEnable_QRadioButton")->setChecked(true);
        Child<QRadioButton>(window, "ColorEnable_QRadioButton")->setChecked(true);
        Child<QRadioButton>(window, "IconEnable_QRadioButton")->setChecked(true);
        Child<QLineEdit>(window, "Radius_QLineEdit")->setText(QStringLiteral("40"));
        Child<QLineEdit>(window, "ICON_Width_QLineEdit")->setText(QStringLiteral("256"));
        Child<QLineEdit>(window, "ICON_Height_QLineEdit")->setText(QStringLiteral("256"));
        SetMoments(window, QDate(2031, 12, 31), QTime(23, 59), QDate(2030, 1, 2), QTime(18, 0));
        Child<QRadioButton>(window, "EveryDate_QRadioButton")->setChecked(true);
        Child<QRadioButton>(window, "EveryDate_EndWorkReminder_QRadioButton")->setChecked(true);
        Child<QComboBox>(window, "TimeInterval_RestReminder_comboBox")->setCurrentIndex(2);
        SettingsStore::WriteFlag(QString::fromLatin1(SettingsStore::IsShutdownScheduledKey), true);
        SettingsStore::WriteFlag(QString::fromLatin1(SettingsStore::IsEndWorkReminderScheduledKey), true);
        SettingsStore::WriteFlag(QString::fromLatin1(SettingsStore::IsRestReminderScheduledKey), false);
        SettingsStore::WriteText(QString::fromLatin1(SettingsStore::ApplicationShowCounterKey),
                                 QStringLiteral("2"));
    });
    ok &= WriteSeed(outputFolder, QStringLiteral("saved-chinese-paths.conf"), [](MainWindow &window) {
        Child<QLineEdit>(window, "WeiXinPath_QLineEdit")
            ->setText(QStringLiteral("C:/Program Files (x86)/Tencent/微信/WeChat.exe"));
        Child<QLineEdit>(window, "RawImagePath_QLineEdit")
            ->setText(QStringLiteral("/home/用户/图片/头像 1.png"));
        Child<QLineEdit>(window, "IconImagePath_QLineEdit")->setText(QStringLiteral("/home/用户/图标"));
        Child<QRadioButton>(window, "TransprentEnable_QRadioButton")->setChecked(true);
        SetMoments(window, QDate(2025, 2, 28), QTime(0, 0), QDate(2025, 2, 28), QTime(17, 30));
        Child<QComboBox>(window, "TimeInterval_RestReminder_comboBox")->setCurrentIndex(3);
    });
    return ok ? 0 : 1;
}

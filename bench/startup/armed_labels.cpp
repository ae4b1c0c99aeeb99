// Shows what the window's three countdown labels say for a given settings
// file after one tick, and fails when one of them says its task is not set.
// bench/run-figures.sh checks with it that the file it gives VarnoSoftware
// for the memory figure really arms all three tasks.
//
//   armed_labels SETTINGS_FILE
//
// Runs offscreen with the test kit's recording power-off, at the real time.

#include "app/SystemTray.h"
#include "kit/FakePowerOff.h"
#include "kit/MainWindowProbe.h"
#include "kit/TestKit.h"
#include "timedtasks/Countdown.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

int main(int argc, char *argv[])
{
    TestKit::PrepareEnvironment();
    QApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 2) {
        std::fprintf(stderr, "usage: armed_labels SETTINGS_FILE\n");
        return 2;
    }

    TestKit::IsolatedSettings settings;
    QDir().mkpath(QFileInfo(settings.FilePath()).path());
    if (!QFile::copy(arguments.at(1), settings.FilePath())) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(arguments.at(1)));
        return 2;
    }
    FakePowerOff::Reset(false);
    SystemTray::SetAvailabilityOverride(true);

    MainWindow window;
    MainWindowProbe::ApplicationTimer(window)->stop();
    RecordingNotifier::InstallOn(window);
    MainWindowProbe::Tick(window);

    const Ui::MainWindow *form = MainWindowProbe::Form(window);
    const struct
    {
        const QLabel *label;
        QString notSet;
    } labels[] = {
        {form->statusLabel, Countdown::ShutdownNotSetText()},
        {form->ReminderInformation_EndWorkReminder_QLabel, Countdown::EndOfWorkNotSetText()},
        {form->ReminderInformation_RestReminder_QLabel, Countdown::RestNotSetText()},
    };
    bool allArmed = FakePowerOff::CallCount() == 0;
    for (const auto &entry : labels) {
        std::printf("%s\n", qPrintable(entry.label->text()));
        allArmed = allArmed && entry.label->text() != entry.notSet;
    }
    return allArmed ? 0 : 1;
}

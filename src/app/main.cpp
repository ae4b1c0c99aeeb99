#include "MainWindow.h"

#include <QApplication>

#ifdef VARNO_UPDATE_CHECK
#include "web/FunctionModule.h"
#include "web/UpdateGate.h"
#endif

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);

#ifdef VARNO_UPDATE_CHECK
    FunctionModule functionModule;
#ifdef VARNO_TEST_UPDATE_BASE_URL
    // The end-to-end test builds its own copy of the program that asks the
    // test's server instead of the configured one.
    const QString updateBaseUrl = QStringLiteral(VARNO_TEST_UPDATE_BASE_URL);
#else
    const QString updateBaseUrl = UpdateGate::ConfiguredBaseUrl();
#endif
    // An outdated build must end before any window, tray icon, timer or
    // settings access exists.
    if (UpdateGate::Run(functionModule, updateBaseUrl) == UpdateGate::Outcome::Outdated)
        return 0;
#endif

    int result = 0;
    {
        MainWindow window;
        window.show();
        result = application.exec();
    }
    return result;
}

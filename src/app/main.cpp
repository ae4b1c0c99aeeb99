#include "HighDpi.h"
#include "MainWindow.h"
#include "SignInStart.h"
#include "SingleInstance.h"

#include <QApplication>

#ifdef VARNO_UPDATE_CHECK
#include "web/FunctionModule.h"
#include "web/UpdateGate.h"
#endif

int main(int argc, char *argv[])
{
    HighDpi::Enable();
#ifndef Q_OS_WIN
    // Every widget is drawn by Qt's raster engine. Windows that could also
    // hold OpenGL make Qt load GLX and the display's DRI driver with the
    // first one on X11: a quarter of the time to the first drawing, for
    // nothing. An attribute rather than QT_XCB_GL_INTEGRATION, which the
    // programs we start would inherit.
    QCoreApplication::setAttribute(Qt::AA_ForceRasterWidgets);
#endif
    QApplication application(argc, argv);
    const bool signIn = application.arguments().contains(QLatin1String(SignInStart::Option));

    // A second start only asks the first to show its window: it ends before
    // the update check, and before any window, tray icon, timer or settings
    // access that could fire a task twice or save over the first one's values.
    SingleInstance instance;
    switch (instance.Claim(signIn ? SingleInstance::Request::Nothing : SingleInstance::Request::Show,
                           SingleInstance::FromLauncher())) {
    case SingleInstance::Outcome::Run:
        break;
    case SingleInstance::Outcome::Delivered:
        return 0;
    case SingleInstance::Outcome::NoAnswer:
        qWarning("VarnoSoftware is running but does not answer");
        return 1;
    }
    // Asked for while the update check still runs: shown once there is a
    // window, and a sign-in start's quiet wait for the network ends with it.
    bool showRequested = false;
    SingleInstance::Activation requestActivation;
#ifdef VARNO_UPDATE_CHECK
    UpdateGate::HandStart handStart;
#endif
    const QMetaObject::Connection early = QObject::connect(&instance, &SingleInstance::ShowRequested,
                                                           [&](const SingleInstance::Activation &activation) {
                                                               showRequested = true;
                                                               requestActivation = activation;
#ifdef VARNO_UPDATE_CHECK
                                                               handStart.Arrive();
#endif
                                                           });

#ifdef VARNO_UPDATE_CHECK
    FunctionModule functionModule;
#ifdef VARNO_TEST_UPDATE_BASE_URL
    // The end-to-end test builds its own copy of the program that asks the
    // test's server instead of the configured one.
    const QString updateBaseUrl = QStringLiteral(VARNO_TEST_UPDATE_BASE_URL);
#else
    const QString updateBaseUrl = UpdateGate::ConfiguredBaseUrl();
#endif
    // At sign-in the network often comes up some seconds after the desktop.
    const UpdateGate::Retries retries = signIn ? UpdateGate::SignInRetries : UpdateGate::Retries();
    // An outdated build must end before any window, tray icon, timer or
    // settings access exists.
    if (UpdateGate::Run(functionModule, updateBaseUrl, retries, &handStart) == UpdateGate::Outcome::Outdated)
        return 0;
#endif

    int result = 0;
    {
        MainWindow window;
        QObject::disconnect(early);
        QObject::connect(&instance, &SingleInstance::ShowRequested, &window, &MainWindow::BringBack);
        if (showRequested)
            window.BringBack(requestActivation);
        else if (signIn)
            window.StartInTray();
        else
            window.show();
        result = application.exec();
    }
    return result;
}

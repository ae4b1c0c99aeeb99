#include "FuzzEnvironment.h"

#include <QCoreApplication>
#include <QString>

#include <cstdlib>

namespace FuzzEnvironment {
namespace {

void DropNonFatal(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtFatalMsg) {
        fprintf(stderr, "%s\n", qPrintable(message));
        std::abort();
    }
}

} // namespace

void PrepareGuiEnvironment()
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qunsetenv("QT_QPA_PLATFORMTHEME");
    qunsetenv("QT_STYLE_OVERRIDE");
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs, true);
}

void SilenceNonFatalMessages()
{
    qInstallMessageHandler(DropNonFatal);
}

int &ApplicationArgc()
{
    static int argc = 1;
    return argc;
}

char **ApplicationArgv()
{
    static char name[] = "varno-fuzz";
    static char *argv[] = {name, nullptr};
    return argv;
}

} // namespace FuzzEnvironment

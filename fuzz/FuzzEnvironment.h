#pragma once

#include <QtGlobal>

// Shared start-up of the harnesses.
namespace FuzzEnvironment {

// Headless platform, no desktop theme, non-native dialogs; call before the
// application object exists.
void PrepareGuiEnvironment();

// Qt's own warnings about odd values (out-of-range indexes and the like) are
// expected by the thousand; printing them would cost more than the input
// itself. Fatal messages still end the run as a crash.
void SilenceNonFatalMessages();

// Arguments for the application object. libFuzzer's own argument list must
// stay untouched: the application would strip the options it knows from it.
int &ApplicationArgc();
char **ApplicationArgv();

} // namespace FuzzEnvironment

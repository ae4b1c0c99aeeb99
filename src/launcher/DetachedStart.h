#pragma once

#include <QString>
#include <QtGlobal>

namespace Launcher {

struct StartOutcome
{
    bool started = false;
    qint64 processId = 0; // of the started program, when started
    QString errorText; // why it did not start, in the system's words
};

// Starts program, with no arguments, as a process that does not belong to
// this one: quitting the toolbox (or destroying whatever asked for the start)
// must not end a chat client the user still has open, which a QProcess would
// do when it is destroyed. Returns once the program is running or is known
// not to start. The program text is one program name even with blanks in it;
// a name without a directory is looked up in PATH.
StartOutcome StartDetached(const QString &program);

} // namespace Launcher

#pragma once

#include <QString>

// Starting the program when the user signs in, as the desktop does it: the
// XDG autostart entry on Linux, the Run value of the registry on Windows.
// The timed tasks only work while the program runs. One file per platform.
namespace SignInStart {

// The option the entry starts the program with: into the tray, quietly.
inline constexpr char Option[] = "--autostart";

// Whether the desktop will start the program at sign-in: an entry for it
// exists and is not switched off. Read afresh from the system each time, so
// a change by the installer or by hand shows.
bool IsEnabled();

// Writes the entry afresh for the running program, or removes it. False when
// the system refused the change.
bool SetEnabled(bool enabled);

// What the entry holds for the program at that path: the desktop entry's
// text on Linux, the Run value on Windows.
QString EntryText(const QString &program);

// The name the entry gives the program at that path. systemd's reader of
// autostart entries cannot take a backslash in Exec whatever the quoting, so
// on Linux such a path is given as a link of our own that leads to it.
QString LaunchPath(const QString &program);

// The program the entry starts: the running one, under the name that stays
// (on Linux the package's bin link where that leads to it).
QString ProgramPath();

} // namespace SignInStart

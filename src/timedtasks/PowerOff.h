#pragma once

// What an armed shutdown does when it comes due, in the order the page
// offers it.
enum class PowerAction {
    PowerOff,
    Restart,
    Sleep,
};

// Requests to the operating system, one entry per action. Power-off and
// restart happen at once and force running programs to close; sleep closes
// nothing. Each is true only when the system accepted the request.
//
// One definition per platform, linked into the program alone: every test and
// benchmark links a recording stand-in instead, so none of them can switch the
// machine off or put it to sleep. Kept free of Qt so the Windows file compiles
// without a Windows build of Qt.
bool PowerOffSystem();
bool RestartSystem();
bool SleepSystem();

// Whether the system would put itself to sleep if asked now, without asking
// anyone: a refusal is shown as such rather than as a failed request.
bool SleepAllowed();

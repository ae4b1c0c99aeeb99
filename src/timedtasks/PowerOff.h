#pragma once

// Asks the operating system to shut the computer down at once, forcing
// running programs to close. True only when the system accepted the request.
//
// One definition per platform, linked into the program alone: every test and
// benchmark links a recording stand-in instead, so none of them can switch the
// machine off. Kept free of Qt so the Windows file compiles without a Windows
// build of Qt.
bool PowerOffSystem();

#include "timedtasks/PowerOff.h"

#include <windows.h>

#include <powrprof.h>

namespace {

bool ExitWindowsForced(UINT how)
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
        return false;

    // Without the privilege ExitWindowsEx refuses; when enabling it fails the
    // refusal is what reports the failure, so neither step is checked here.
    TOKEN_PRIVILEGES privileges {};
    LookupPrivilegeValueW(nullptr, L"SeShutdownPrivilege", &privileges.Privileges[0].Luid);
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);

    const BOOL accepted
        = ExitWindowsEx(how | EWX_FORCE, SHTDN_REASON_MAJOR_OPERATINGSYSTEM | SHTDN_REASON_MINOR_UPGRADE);
    CloseHandle(token);
    return accepted != 0;
}

} // namespace

bool PowerOffSystem()
{
    return ExitWindowsForced(EWX_SHUTDOWN);
}

bool RestartSystem()
{
    return ExitWindowsForced(EWX_REBOOT);
}

// Sleep, not hibernation; wake-up events stay allowed, so an alarm set by
// another program still wakes the computer.
bool SleepSystem()
{
    return SetSuspendState(FALSE, FALSE, FALSE) != FALSE;
}

// False where the machine has no sleep state to enter, as on computers that
// only know Modern Standby, where the request would do nothing.
bool SleepAllowed()
{
    return IsPwrSuspendAllowed() != FALSE;
}

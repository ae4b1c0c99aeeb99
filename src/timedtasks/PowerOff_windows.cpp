#include "timedtasks/PowerOff.h"

#include <windows.h>

bool PowerOffSystem()
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

    const BOOL accepted = ExitWindowsEx(EWX_SHUTDOWN | EWX_FORCE,
                                        SHTDN_REASON_MAJOR_OPERATINGSYSTEM | SHTDN_REASON_MINOR_UPGRADE);
    CloseHandle(token);
    return accepted != 0;
}

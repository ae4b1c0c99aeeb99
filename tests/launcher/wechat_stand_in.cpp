// Stand-in for the chat client. It only has to stay alive while the tests
// look, and ends by itself should nothing end it. On Linux the tests find its
// instances in /proc; Windows has no such view, so there each instance adds
// "<process id> <creation time in ms> <its own path>" to the file named by
// VARNO_STAND_IN_RECORD, and lives long enough for tools/windows/test.sh to
// see it outlive the test program.
#ifdef _WIN32
#include <windows.h>

#include <cstdio>

int main()
{
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    const unsigned long long milliseconds
        = ((static_cast<unsigned long long>(created.dwHighDateTime) << 32) | created.dwLowDateTime) / 10000;
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    char path[4 * MAX_PATH] = {};
    WideCharToMultiByte(CP_UTF8, 0, self, -1, path, sizeof path, nullptr, nullptr);
    char record[4 * MAX_PATH] = {};
    if (GetEnvironmentVariableA("VARNO_STAND_IN_RECORD", record, sizeof record) > 0) {
        if (FILE *file = std::fopen(record, "a")) {
            std::fprintf(file, "%lu %llu %s\n", GetCurrentProcessId(), milliseconds, path);
            std::fclose(file);
        }
    }
    Sleep(90000);
    return 0;
}
#else
#include <unistd.h>

int main()
{
    sleep(30);
    return 0;
}
#endif

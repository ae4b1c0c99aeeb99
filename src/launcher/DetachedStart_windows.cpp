#include "DetachedStart.h"

#include <QDir>

#include <string>

#include <windows.h>

// Windows processes do not die with the process that created them, so
// CreateProcessW alone gives an independent instance; its failure code is
// turned into the system's own message text.

namespace Launcher {
namespace {

QString SystemMessage(DWORD code)
{
    wchar_t *buffer = nullptr;
    const DWORD length = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM
                                              | FORMAT_MESSAGE_IGNORE_INSERTS,
                                          nullptr, code, 0, reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
    QString message;
    if (length > 0 && buffer)
        message = QString::fromWCharArray(buffer, static_cast<int>(length)).trimmed();
    if (buffer)
        ::LocalFree(buffer);
    if (message.isEmpty())
        message = QStringLiteral("error %1").arg(code);
    return message;
}

} // namespace

StartOutcome StartDetached(const QString &program)
{
    // Quoted, so a path with blanks stays one program name; with no
    // application name given, Windows searches for it as QProcess would.
    const QString commandText = QLatin1Char('"') + QDir::toNativeSeparators(program) + QLatin1Char('"');
    std::wstring commandLine = commandText.toStdWString(); // CreateProcessW may write into it

    STARTUPINFOW startupInfo = {};
    startupInfo.cb = sizeof startupInfo;
    PROCESS_INFORMATION processInfo = {};
    StartOutcome outcome;
    if (!::CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startupInfo, &processInfo)) {
        outcome.errorText = QStringLiteral("CreateProcess: ") + SystemMessage(::GetLastError());
        return outcome;
    }
    ::CloseHandle(processInfo.hThread);
    ::CloseHandle(processInfo.hProcess);
    outcome.started = true;
    outcome.processId = processInfo.dwProcessId;
    return outcome;
}

} // namespace Launcher

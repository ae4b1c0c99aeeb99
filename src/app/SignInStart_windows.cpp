#include "SignInStart.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>

#include <windows.h>

// The Run value of the user's registry, which Windows starts at sign-in and
// the installer's "开机时启动" writes the same way. Task Manager switches a
// start off without touching it, in a binary value of StartupApproved whose
// first byte is odd while switched off.

namespace SignInStart {
namespace {

const wchar_t *const ValueName = L"VarnoSoftware";
const wchar_t *const ApprovedKey
    = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";

QSettings RunKey()
{
    return QSettings(QStringLiteral("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run"),
                     QSettings::NativeFormat);
}

bool SwitchedOffInTaskManager()
{
    BYTE state[64] = {};
    DWORD size = sizeof state;
    return ::RegGetValueW(HKEY_CURRENT_USER, ApprovedKey, ValueName, RRF_RT_REG_BINARY, nullptr, state, &size)
        == ERROR_SUCCESS
        && size > 0 && (state[0] & 1) != 0;
}

// A Run value whose program is gone (a portable copy moved or deleted)
// starts nothing: "<exe>" or an unquoted path up to the first blank.
bool ProgramExists(const QString &value)
{
    const QString program = value.startsWith(QLatin1Char('"'))
        ? value.mid(1, value.indexOf(QLatin1Char('"'), 1) - 1)
        : value.section(QLatin1Char(' '), 0, 0);
    return QFileInfo(program).isFile();
}

} // namespace

QString ProgramPath()
{
    return QDir::toNativeSeparators(QCoreApplication::applicationFilePath());
}

QString LaunchPath(const QString &program)
{
    return program;
}

QString EntryText(const QString &program)
{
    return QStringLiteral("\"%1\" %2").arg(program, QLatin1String(Option));
}

bool IsEnabled()
{
    const QString value = RunKey().value(QString::fromWCharArray(ValueName)).toString();
    return !value.isEmpty() && ProgramExists(value) && !SwitchedOffInTaskManager();
}

bool SetEnabled(bool enabled)
{
    // Written afresh means switched on in Task Manager too.
    ::RegDeleteKeyValueW(HKEY_CURRENT_USER, ApprovedKey, ValueName);
    QSettings run = RunKey();
    if (enabled)
        run.setValue(QString::fromWCharArray(ValueName), EntryText(LaunchPath(ProgramPath())));
    else
        run.remove(QString::fromWCharArray(ValueName));
    run.sync();
    return run.status() == QSettings::NoError;
}

} // namespace SignInStart

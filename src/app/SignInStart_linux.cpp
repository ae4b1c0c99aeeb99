#include "SignInStart.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTextStream>

// The XDG autostart entry: a desktop entry in the user's autostart folder,
// which every desktop that follows the XDG rules starts at sign-in.

namespace SignInStart {
namespace {

QString EntryPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/autostart/com.varnosoftware.VarnoSoftware.desktop");
}

// A string value: backslashes and the blanks that would be trimmed escaped.
QString EscapedValue(QString text)
{
    text.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    text.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    if (text.startsWith(QLatin1Char(' ')))
        text.replace(0, 1, QStringLiteral("\\s"));
    return text;
}

// One Exec argument in double quotes, with the characters the quoting rules
// reserve escaped; then the value as any string value, and "%" kept from
// being read as a field code. Readers check the program (the first
// argument) before they undo all of that, so a path with "%" or "\" only
// ever stands as a later argument.
QString QuotedArgument(const QString &argument)
{
    QString quoted = QStringLiteral("\"");
    for (const QChar c : argument) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    quoted += QLatin1Char('"');
    return EscapedValue(quoted).replace(QLatin1Char('%'), QStringLiteral("%%"));
}

// The inverse of EscapedValue.
QString UnescapedValue(const QString &text)
{
    QString value;
    for (int i = 0; i < text.size(); ++i) {
        if (text.at(i) != QLatin1Char('\\') || i + 1 == text.size()) {
            value += text.at(i);
            continue;
        }
        const QChar next = text.at(++i);
        value += next == QLatin1Char('s') ? QChar(' ')
            : next == QLatin1Char('n')    ? QChar('\n')
            : next == QLatin1Char('t')    ? QChar('\t')
            : next == QLatin1Char('r')    ? QChar('\r')
                                          : next;
    }
    return value;
}

// Switched off as desktops switch an entry off: hidden, or disabled by
// GNOME's own key; or its program is gone (a portable copy moved or
// deleted), which desktops skip through TryExec. Only the [Desktop Entry]
// group counts.
bool SwitchedOff(QFile &entry)
{
    QTextStream lines(&entry);
    lines.setCodec("UTF-8");
    bool mainGroup = false;
    while (!lines.atEnd()) {
        const QString line = lines.readLine().trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            mainGroup = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        const int equals = line.indexOf(QLatin1Char('='));
        if (!mainGroup || equals < 0)
            continue;
        const QString key = line.left(equals).trimmed();
        const QString value = line.mid(equals + 1).trimmed();
        if ((key == QLatin1String("Hidden") && value == QLatin1String("true"))
            || (key == QLatin1String("X-GNOME-Autostart-enabled") && value == QLatin1String("false"))
            || (key == QLatin1String("TryExec") && !QFileInfo(UnescapedValue(value)).isExecutable()))
            return true;
    }
    return false;
}

} // namespace

QString ProgramPath()
{
    const QString program = QCoreApplication::applicationFilePath();
    // Installed, the program lives in <prefix>/lib/varnosoftware and
    // <prefix>/bin/varnosoftware links to it; the link is the name that stays.
    const QString link = QDir::cleanPath(QCoreApplication::applicationDirPath()
                                         + QStringLiteral("/../../bin/varnosoftware"));
    const QString linkTarget = QFileInfo(link).canonicalFilePath();
    if (!linkTarget.isEmpty() && linkTarget == QFileInfo(program).canonicalFilePath())
        return link;
    return program;
}

QString LaunchPath(const QString &program)
{
    if (!program.contains(QLatin1Char('\\')))
        return program;
    const QString link = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        + QStringLiteral("/varnosoftware/autostart-program");
    QDir().mkpath(QFileInfo(link).path());
    QFile::remove(link);
    // Without the link the entry still works for every other reader.
    return QFile::link(program, link) ? link : program;
}

QString EntryText(const QString &program)
{
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=VarnoSoftware\n"
                          "Name[zh_CN]=Varno软件\n"
                          "Comment=Scheduled shutdown and reminders, from the tray\n"
                          "Comment[zh_CN]=在托盘中运行定时关机与提醒\n"
                          "Exec=/usr/bin/env %1 %2\n"
                          "TryExec=%3\n"
                          "Icon=varnosoftware\n"
                          "Terminal=false\n"
                          "X-GNOME-Autostart-enabled=true\n")
        .arg(QuotedArgument(program), QLatin1String(Option), EscapedValue(program));
}

bool IsEnabled()
{
    QFile entry(EntryPath());
    return entry.open(QIODevice::ReadOnly) && !SwitchedOff(entry);
}

bool SetEnabled(bool enabled)
{
    const QString path = EntryPath();
    if (!enabled)
        return !QFileInfo::exists(path) || QFile::remove(path);
    if (!QDir().mkpath(QFileInfo(path).path()))
        return false;
    QSaveFile entry(path);
    if (!entry.open(QIODevice::WriteOnly))
        return false;
    entry.write(EntryText(LaunchPath(ProgramPath())).toUtf8());
    return entry.commit();
}

} // namespace SignInStart

#include "SettingsStore.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSettings>

#include <exception>

namespace SettingsStore {
namespace {

bool IsArmedText(const QString &text)
{
    return text == QLatin1String("true");
}

} // namespace

QString ReadText(const QString &key, const QString &defaultValue)
{
    // A stored value Qt cannot load (a damaged @Variant) makes it throw
    // std::bad_alloc on every read of the file; such a store reads as empty
    // rather than ending the program.
    try {
        QSettings settings(OrganisationName, ApplicationName);
        return settings.value(key, defaultValue).toString();
    } catch (const std::exception &) {
        return defaultValue;
    }
}

void WriteText(const QString &key, const QString &value)
{
    QSettings settings(OrganisationName, ApplicationName);
    settings.setValue(key, value);
}

bool IsFlagSet(const QString &key)
{
    return IsArmedText(ReadText(key, QStringLiteral("false")));
}

bool IsFlagSet(const QSettings &store, const QString &key)
{
    return IsArmedText(store.value(key, QStringLiteral("false")).toString());
}

void WriteFlag(const QString &key, bool armed)
{
    WriteText(key, armed ? QStringLiteral("true") : QStringLiteral("false"));
}

#ifdef Q_OS_WIN
// The registry cannot be damaged this way.
QString SetAsideIfDamaged(const QDateTime &)
{
    return QString();
}
#else
namespace {

// The file of the store when it cannot be read, else an empty string.
QString DamagedStoreFile()
{
    QSettings settings(OrganisationName, ApplicationName);
    const QString file = settings.fileName();
    if (!QFileInfo(file).isFile())
        return QString();
    if (settings.status() == QSettings::FormatError)
        return file;
    // Qt parses the values on the first read and throws at one it cannot load.
    try {
        settings.allKeys();
    } catch (const std::exception &) {
        return file;
    }
    return QString();
}

} // namespace

QString SetAsideIfDamaged(const QDateTime &now)
{
    const QString file = DamagedStoreFile();
    if (file.isEmpty())
        return QString();
    const QString stem
        = file + QStringLiteral(".damaged-") + QLocale::c().toString(now, QStringLiteral("yyyyMMdd-HHmmss"));
    QString aside = stem;
    for (int number = 2; QFileInfo::exists(aside) || QFileInfo(aside).isSymLink(); ++number)
        aside = stem + QLatin1Char('-') + QString::number(number);
    if (!QFile::rename(file, aside)) {
        qWarning("The settings file %s cannot be read and could not be moved aside; "
                 "nothing will be saved until it is removed.",
                 qPrintable(file));
        return QString();
    }
    qWarning("The settings file %s could not be read; it was moved to %s and the program starts "
             "from its defaults.",
             qPrintable(file), qPrintable(aside));
    return aside;
}
#endif

} // namespace SettingsStore

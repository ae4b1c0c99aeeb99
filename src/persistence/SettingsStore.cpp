#include "SettingsStore.h"

#include <QSettings>

#include <exception>

namespace SettingsStore {

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
    return ReadText(key, QStringLiteral("false")) == QLatin1String("true");
}

void WriteFlag(const QString &key, bool armed)
{
    WriteText(key, armed ? QStringLiteral("true") : QStringLiteral("false"));
}

} // namespace SettingsStore

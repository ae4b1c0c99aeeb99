#include "SettingsStore.h"

#include <QSettings>

namespace SettingsStore {

QString ReadText(const QString &key, const QString &defaultValue)
{
    QSettings settings(OrganisationName, ApplicationName);
    return settings.value(key, defaultValue).toString();
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

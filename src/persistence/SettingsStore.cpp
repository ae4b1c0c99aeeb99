#include "SettingsStore.h"

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

} // namespace SettingsStore

#include "TaskSettings.h"

#include "persistence/SettingsStore.h"
#include "persistence/WidgetState.h"

#include <QDateEdit>
#include <QDateTime>
#include <QObject>
#include <QTimeEdit>

namespace TaskSettings {

void StoreWidgetValues(std::initializer_list<const QObject *> widgets)
{
    for (const QObject *widget : widgets)
        SettingsStore::WriteText(widget->objectName(), WidgetState::EncodeWidgetValue(widget));
}

void RestoreTaskMoment(QDateEdit *dateEdit, QTimeEdit *timeEdit, const QString &flagKey, const QDateTime &now)
{
    const QString storedDate = SettingsStore::ReadText(dateEdit->objectName());
    const QString storedTime = SettingsStore::ReadText(timeEdit->objectName());
    if (WidgetState::DecodeStoredDate(storedDate).isValid()
        && WidgetState::DecodeStoredTime(storedTime).isValid())
        return;
    dateEdit->setDate(now.date());
    timeEdit->setTime(QTime(now.time().hour(), now.time().minute()));
    if (SettingsStore::IsFlagSet(flagKey))
        SettingsStore::WriteFlag(flagKey, false);
}

} // namespace TaskSettings

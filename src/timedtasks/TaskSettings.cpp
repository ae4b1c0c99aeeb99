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

void StartAtPresentUnlessStored(QDateEdit *dateEdit, QTimeEdit *timeEdit, const QDateTime &now)
{
    if (SettingsStore::ReadText(dateEdit->objectName()).isEmpty())
        dateEdit->setDate(now.date());
    if (SettingsStore::ReadText(timeEdit->objectName()).isEmpty())
        timeEdit->setTime(QTime(now.time().hour(), now.time().minute()));
}

} // namespace TaskSettings

#include "TaskSettings.h"

#include "persistence/SettingsStore.h"
#include "persistence/WidgetState.h"

#include <QObject>

namespace TaskSettings {

void StoreWidgetValues(std::initializer_list<const QObject *> widgets)
{
    for (const QObject *widget : widgets)
        SettingsStore::WriteText(widget->objectName(), WidgetState::EncodeWidgetValue(widget));
}

} // namespace TaskSettings

#pragma once

#include <initializer_list>

class QObject;

namespace TaskSettings {

// Stores the widgets' values under their object names, as the close button
// would. Setting a task does this for the values it fires at: were they left
// to the close button, a task armed and never followed by a close would come
// back at the next start aimed at whatever the page set its edits to.
void StoreWidgetValues(std::initializer_list<const QObject *> widgets);

} // namespace TaskSettings

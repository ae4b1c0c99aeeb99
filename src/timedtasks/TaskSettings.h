#pragma once

#include <initializer_list>

class QDateEdit;
class QDateTime;
class QObject;
class QTimeEdit;

namespace TaskSettings {

// Stores the widgets' values under their object names, as the close button
// would. Setting a task does this for the values it fires at: were they left
// to the close button, a task armed and never followed by a close would come
// back at the next start aimed at whatever the page set its edits to.
void StoreWidgetValues(std::initializer_list<const QObject *> widgets);

// A page whose date or time was never stored starts at the present minute;
// a stored one stays as the restore put it, even when it has passed. The
// edits show and store no seconds, so none are left over to make the armed
// target differ from the one shown, or move after a restart.
void StartAtPresentUnlessStored(QDateEdit *dateEdit, QTimeEdit *timeEdit, const QDateTime &now);

} // namespace TaskSettings

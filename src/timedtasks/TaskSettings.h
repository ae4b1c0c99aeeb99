#pragma once

#include <initializer_list>

class QDateEdit;
class QDateTime;
class QObject;
class QString;
class QTimeEdit;

namespace TaskSettings {

// Stores the widgets' values under their object names, as the close button
// would. Setting a task does this for the values it fires at: were they left
// to the close button, a task armed and never followed by a close would come
// back at the next start aimed at whatever the page set its edits to.
void StoreWidgetValues(std::initializer_list<const QObject *> widgets);

// A page whose date and time were not both stored in a form that reads back
// (never set, an older release under another locale, a hand edit) starts at
// the present minute, and its task is disarmed: it would otherwise fire at a
// moment nobody chose, and the next save would store that moment beside the
// flag. A stored moment stays as the restore put it, even when it has passed.
// The edits show and store no seconds, so none are left over to make the
// armed target differ from the one shown, or move after a restart.
void RestoreTaskMoment(QDateEdit *dateEdit, QTimeEdit *timeEdit, const QString &flagKey,
                       const QDateTime &now);

} // namespace TaskSettings

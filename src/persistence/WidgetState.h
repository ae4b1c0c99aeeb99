#pragma once

#include <QDate>
#include <QString>
#include <QTime>

class QObject;
class QSettings;
class QStandardItemModel;

// Widget values are stored under the widget's object name. Only objects whose
// exact class is one of the twelve known input classes take part; subclasses
// (a QDateTimeEdit, say) are deliberately left out.
namespace WidgetState {

// The text under which a widget's value is stored, or a null QString when the
// object's class is not persisted.
QString EncodeWidgetValue(const QObject *object);

// Loads a stored text back into the widget. List views receive their rows
// through listModel, which must outlive them.
void DecodeWidgetValue(QObject *object, const QString &text, QStandardItemModel *listModel);

void SaveWidgetState(QObject *root);
void RestoreWidgetState(QObject *root, QStandardItemModel *listModel);

QObject *FindDescendantByName(QObject *node, const QString &name);

// The stored text of a date or time edit is its displayed text, so the
// edits show these formats and the restore reads them back with them.
inline constexpr char StoredDateFormat[] = "yyyy/M/d";
inline constexpr char StoredTimeFormat[] = "H:mm";

// What the stored text of a date or time edit reads back as; invalid when it
// was written in any other format.
QDate DecodeStoredDate(const QString &text);
QTime DecodeStoredTime(const QString &text);

} // namespace WidgetState

#include "WidgetState.h"

#include "SettingsStore.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSettings>
#include <QSlider>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QTextEdit>
#include <QTimeEdit>

#include <exception>

namespace WidgetState {
namespace {

enum class Kind {
    None,
    ComboBox,
    LineEdit,
    TextEdit,
    PlainTextEdit,
    SpinBox,
    DoubleSpinBox,
    Slider,
    RadioButton,
    CheckBox,
    ListView,
    DateEdit,
    TimeEdit,
};

// Exact class names: qobject_cast would also accept subclasses.
Kind KindOf(const QObject *object)
{
    static const struct
    {
        const char *className;
        Kind kind;
    } table[] = {
        {"QComboBox", Kind::ComboBox}, {"QLineEdit", Kind::LineEdit},
        {"QTextEdit", Kind::TextEdit}, {"QPlainTextEdit", Kind::PlainTextEdit},
        {"QSpinBox", Kind::SpinBox},   {"QDoubleSpinBox", Kind::DoubleSpinBox},
        {"QSlider", Kind::Slider},     {"QRadioButton", Kind::RadioButton},
        {"QCheckBox", Kind::CheckBox}, {"QListView", Kind::ListView},
        {"QDateEdit", Kind::DateEdit}, {"QTimeEdit", Kind::TimeEdit},
    };
    const char *name = object->metaObject()->className();
    for (const auto &entry : table) {
        if (qstrcmp(name, entry.className) == 0)
            return entry.kind;
    }
    return Kind::None;
}

QString EncodeComboBox(const QComboBox *box)
{
    QString text = QString::number(box->currentIndex());
    for (int i = 0; i < box->count(); ++i)
        text += QLatin1Char('_') + box->itemText(i);
    return text;
}

void DecodeComboBox(QComboBox *box, const QString &text)
{
    if (text == QLatin1String("0")) {
        box->setCurrentIndex(0);
        return;
    }
    const QStringList pieces = text.split(QLatin1Char('_'), Qt::KeepEmptyParts);
    box->clear();
    for (int i = 1; i < pieces.size(); ++i)
        box->addItem(pieces.at(i));
    if (box->count() > 0)
        box->setCurrentIndex(pieces.first().toInt());
}

QString EncodeListView(const QListView *view)
{
    QString text = QStringLiteral("0");
    const QAbstractItemModel *model = view->model();
    if (!model)
        return text;
    for (int row = 0; row < model->rowCount(); ++row) {
        for (int column = 0; column < model->columnCount(); ++column)
            text += QLatin1Char('_') + model->index(row, column).data(Qt::DisplayRole).toString();
    }
    return text;
}

void DecodeListView(QListView *view, const QString &text, QStandardItemModel *listModel)
{
    if (text == QLatin1String("0") || !listModel)
        return;
    const QStringList pieces = text.split(QLatin1Char('_'), Qt::KeepEmptyParts);
    for (int i = 1; i < pieces.size(); ++i)
        listModel->appendRow(new QStandardItem(pieces.at(i)));
    view->setModel(listModel);
}

void DecodeCheckable(QAbstractButton *button, const QString &text)
{
    if (text == QLatin1String("0"))
        button->setChecked(false);
    else if (text == QLatin1String("1"))
        button->setChecked(true);
}

QString CheckedText(const QAbstractButton *button)
{
    return button->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
}

void SaveChildren(QObject *node, QSettings &settings)
{
    for (QObject *child : node->children()) {
        const QString text = EncodeWidgetValue(child);
        if (!text.isNull())
            settings.setValue(child->objectName(), text);
        SaveChildren(child, settings);
    }
}

} // namespace

QString EncodeWidgetValue(const QObject *object)
{
    switch (KindOf(object)) {
    case Kind::None:
        return QString();
    case Kind::ComboBox:
        return EncodeComboBox(static_cast<const QComboBox *>(object));
    case Kind::LineEdit:
        return static_cast<const QLineEdit *>(object)->text();
    case Kind::TextEdit:
        return static_cast<const QTextEdit *>(object)->toPlainText();
    case Kind::PlainTextEdit:
        return static_cast<const QPlainTextEdit *>(object)->document()->toPlainText();
    case Kind::SpinBox:
    case Kind::DoubleSpinBox:
    case Kind::DateEdit:
    case Kind::TimeEdit:
        return static_cast<const QAbstractSpinBox *>(object)->text();
    case Kind::Slider:
        return QString::number(static_cast<const QSlider *>(object)->value());
    case Kind::RadioButton:
    case Kind::CheckBox:
        return CheckedText(static_cast<const QAbstractButton *>(object));
    case Kind::ListView:
        return EncodeListView(static_cast<const QListView *>(object));
    }
    return QString();
}

void DecodeWidgetValue(QObject *object, const QString &text, QStandardItemModel *listModel)
{
    switch (KindOf(object)) {
    case Kind::None:
        break;
    case Kind::ComboBox:
        DecodeComboBox(static_cast<QComboBox *>(object), text);
        break;
    case Kind::LineEdit:
        static_cast<QLineEdit *>(object)->setText(text);
        break;
    case Kind::TextEdit:
        static_cast<QTextEdit *>(object)->setPlainText(text);
        break;
    case Kind::PlainTextEdit:
        static_cast<QPlainTextEdit *>(object)->setPlainText(text);
        break;
    case Kind::SpinBox:
        static_cast<QSpinBox *>(object)->setValue(text.toInt());
        break;
    case Kind::DoubleSpinBox:
        static_cast<QDoubleSpinBox *>(object)->setValue(text.toDouble());
        break;
    case Kind::Slider:
        static_cast<QSlider *>(object)->setValue(text.toInt());
        break;
    case Kind::RadioButton:
    case Kind::CheckBox:
        DecodeCheckable(static_cast<QAbstractButton *>(object), text);
        break;
    case Kind::ListView:
        DecodeListView(static_cast<QListView *>(object), text, listModel);
        break;
    case Kind::DateEdit:
        // An unparsable text gives an invalid date, which setDate ignores.
        static_cast<QDateEdit *>(object)->setDate(DecodeStoredDate(text));
        break;
    case Kind::TimeEdit:
        static_cast<QTimeEdit *>(object)->setTime(DecodeStoredTime(text));
        break;
    }
}

void SaveWidgetState(QObject *root)
{
    if (root->children().isEmpty())
        return;
    QSettings settings(SettingsStore::OrganisationName, SettingsStore::ApplicationName);
    SaveChildren(root, settings);
}

void RestoreWidgetState(QObject *root, QStandardItemModel *listModel)
{
    QSettings settings(SettingsStore::OrganisationName, SettingsStore::ApplicationName);
    QStringList keys;
    // Qt parses every value of the file on the first read and throws
    // std::bad_alloc at a stored variant it cannot load (a damaged list
    // length, say), on that read and every later one. Such a store restores
    // nothing: the window starts as on a first start instead of not at all.
    try {
        keys = settings.allKeys();
    } catch (const std::exception &) {
        return;
    }
    for (const QString &key : keys) {
        QObject *target = FindDescendantByName(root, key);
        const QString text = settings.value(key).toString();
        // Program variables share the key space but never belong to a widget.
        if (key.contains(QLatin1String("Variable")))
            continue;
        if (!target)
            continue;
        DecodeWidgetValue(target, text, listModel);
    }
}

QObject *FindDescendantByName(QObject *node, const QString &name)
{
    QObject *remembered = nullptr;
    for (QObject *child : node->children()) {
        if (child->objectName() == name)
            return child;
        if (QObject *found = FindDescendantByName(child, name))
            remembered = found;
    }
    return remembered;
}

QDate DecodeStoredDate(const QString &text)
{
    return QDate::fromString(text, QLatin1String(StoredDateFormat));
}

QTime DecodeStoredTime(const QString &text)
{
    return QTime::fromString(text, QLatin1String(StoredTimeFormat));
}

} // namespace WidgetState

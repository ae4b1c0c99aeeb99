#include "TestKit.h"

#include "timedtasks/IdleTime.h"

#include <QAbstractButton>
#include <QApplication>
#include <QColorDialog>
#include <QDialog>
#include <QFileDialog>
#include <QPushButton>
#include <QSettings>
#include <QTest>

namespace TestKit {

void PrepareEnvironment()
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qunsetenv("QT_QPA_PLATFORMTHEME");
    qunsetenv("QT_STYLE_OVERRIDE");
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs, true);
    // Nothing tells whether anyone is at the desk, so the rest reminder keeps
    // to the clock unless a test says otherwise; the real sources have a
    // test of their own.
    IdleTime::SetSource([] { return std::nullopt; });
}

namespace {

void ClearStore()
{
#ifdef Q_OS_WIN
    QSettings(QStringLiteral("Varno"), QStringLiteral("VarnoSoftware")).clear();
#endif
}

} // namespace

IsolatedSettings::IsolatedSettings()
{
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, Dir.path());
    ClearStore();
}

IsolatedSettings::~IsolatedSettings()
{
    ClearStore();
    // Anything still cached for the old path must not leak into the next test.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString());
}

QString IsolatedSettings::FilePath() const
{
    return Dir.path() + QStringLiteral("/Varno/VarnoSoftware.conf");
}

void Store(const QString &pairs)
{
    QSettings store(QStringLiteral("Varno"), QStringLiteral("VarnoSoftware"));
    for (const QString &pair : pairs.split(';', Qt::SkipEmptyParts))
        store.setValue(pair.section('=', 0, 0), pair.section('=', 1));
}

QString Stored()
{
    const QSettings store(QStringLiteral("Varno"), QStringLiteral("VarnoSoftware"));
    QStringList pairs;
    for (const QString &key : store.allKeys()) {
        if (key != QLatin1String("ApplicationShowCounter_Variable"))
            pairs << key + '=' + store.value(key).toString();
    }
    return pairs.join(';');
}

ModalAnswerer::ModalAnswerer()
{
    connect(&Timer, &QTimer::timeout, this, &ModalAnswerer::Poll);
    Timer.start(5);
}

void ModalAnswerer::NextClick(QMessageBox::StandardButton button)
{
    Next([button](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        QAbstractButton *target = box ? box->button(button) : nullptr;
        if (target)
            target->click();
        else if (auto *dialog = qobject_cast<QDialog *>(modal))
            dialog->reject();
    });
}

void ModalAnswerer::NextFile(const QString &path)
{
    Next([path](QWidget *modal) {
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        dialog->selectFile(path);
        static_cast<QDialog *>(dialog)->accept();
        // QFileDialog refuses to accept a selection that is not there.
        if (dialog->isVisible())
            dialog->reject();
    });
}

namespace {

// The Escape button of a message box, reject() of any other dialog.
void Dismiss(QWidget *modal)
{
    if (auto *box = qobject_cast<QMessageBox *>(modal)) {
        if (QAbstractButton *escape = box->escapeButton()) {
            escape->click();
            return;
        }
    }
    if (auto *dialog = qobject_cast<QDialog *>(modal))
        dialog->reject();
    else
        modal->close();
}

} // namespace

void ModalAnswerer::NextCancel()
{
    Next(Dismiss);
}

void ModalAnswerer::NextColor(const QColor &color)
{
    Next([color](QWidget *modal) {
        qobject_cast<QColorDialog *>(modal)->setCurrentColor(color);
        qobject_cast<QDialog *>(modal)->accept();
    });
}

void ModalAnswerer::Next(std::function<void(QWidget *)> answer)
{
    Answers.append(std::move(answer));
}

QStringList ModalAnswerer::Texts() const
{
    QStringList texts;
    for (const ModalRecord &record : Seen) {
        const QString prefix
            = record.className == QLatin1String("QMessageBox") ? QString() : record.className + ' ';
        texts << prefix + record.title + '/' + record.text;
    }
    return texts;
}

int ModalAnswerer::UnexpectedCount() const
{
    int count = 0;
    for (const ModalRecord &record : Seen)
        count += record.expected ? 0 : 1;
    return count;
}

void ModalAnswerer::Clear()
{
    Seen.clear();
    Answers.clear();
}

void ModalAnswerer::Poll()
{
    QWidget *modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible() || modal == LastAnswered)
        return;
    LastAnswered = modal;

    ModalRecord record;
    record.className = QString::fromLatin1(modal->metaObject()->className());
    record.title = modal->windowTitle();
    record.parent = modal->parentWidget();
    if (auto *box = qobject_cast<QMessageBox *>(modal)) {
        record.text = box->text();
        record.icon = box->icon();
        for (QAbstractButton *button : box->buttons())
            record.buttons.append(box->standardButton(button));
    } else if (auto *fileDialog = qobject_cast<QFileDialog *>(modal)) {
        record.text = fileDialog->directory().absolutePath();
        record.nameFilters = fileDialog->nameFilters();
    }

    std::function<void(QWidget *)> answer;
    if (!Answers.isEmpty()) {
        answer = Answers.takeFirst();
    } else {
        record.expected = false;
        answer = Dismiss;
    }
    Seen.append(record);
    answer(modal);
}

QWidget *Widget(QWidget *root, const QString &objectName)
{
    if (root->objectName() == objectName)
        return root;
    return root->findChild<QWidget *>(objectName);
}

void Click(QWidget *widget)
{
    Q_ASSERT(widget);
    QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, widget->rect().center());
}

void Click(QWidget *root, const QString &objectName)
{
    QWidget *widget = Widget(root, objectName);
    if (!widget)
        qFatal("no widget named %s", qPrintable(objectName));
    Click(widget);
}

void PressAndReleaseOutside(QWidget *widget)
{
    QTest::mousePress(widget, Qt::LeftButton, Qt::NoModifier, widget->rect().center());
    QTest::mouseRelease(widget, Qt::LeftButton, Qt::NoModifier, QPoint(-50, -50));
}

} // namespace TestKit

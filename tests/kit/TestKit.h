#pragma once

#include <QColor>
#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>
#include <memory>

class QAbstractButton;
class QApplication;
class QLabel;
class QPixmap;
class QWidget;

namespace TestKit {

// Forces the offscreen platform and non-native dialogs: a native (GTK)
// dialog is invisible to the test and would hang it. Call before the
// QApplication exists; VARNO_TEST_MAIN does.
void PrepareEnvironment();

// Points the per-user settings store at a fresh temporary folder for as long
// as the object lives.
class IsolatedSettings
{
public:
    IsolatedSettings();
    ~IsolatedSettings();
    QString FilePath() const; // the store's file, once something was written
    QString Folder() const;

private:
    QTemporaryDir Dir;
};

// What a modal box or dialog looked like when it was answered.
struct ModalRecord
{
    QString className;
    QString title;
    QString text; // message box text; for file dialogs the directory shown
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QList<QMessageBox::StandardButton> buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    QStringList nameFilters; // file dialogs
    QPointer<QWidget> parent;
    bool hadParent = false;
    bool expected = true; // false when answered by the default rule
};

// Answers every modal box or dialog that opens while it lives, so no test can
// hang on one. Answers queued with the Next... calls are used in order; a
// modal without a queued answer is recorded as unexpected and dismissed
// (Escape button for message boxes, reject() for dialogs).
class ModalAnswerer : public QObject
{
    Q_OBJECT
public:
    ModalAnswerer();
    ~ModalAnswerer() override;

    void NextClick(QMessageBox::StandardButton button = QMessageBox::Ok);
    void NextFile(const QString &path); // QFileDialog: select and accept
    void NextCancel(); // any dialog: reject
    void NextColor(const QColor &color); // QColorDialog: choose and accept
    void Next(std::function<void(QWidget *)> answer);

    const QList<ModalRecord> &Records() const { return Seen; }
    int UnexpectedCount() const;
    int PendingAnswers() const { return Answers.size(); }
    void Clear();

private:
    void Poll();

    QTimer Timer;
    QList<std::function<void(QWidget *)>> Answers;
    QList<ModalRecord> Seen;
    QPointer<QWidget> LastAnswered;
};

QWidget *Widget(QWidget *root, const QString &objectName);
template <typename T> T *Find(QWidget *root, const QString &objectName)
{
    return qobject_cast<T *>(Widget(root, objectName));
}

// The label's pixmap, null when it has none (QLabel::pixmap() changed its
// return type in 5.15).
QPixmap LabelPixmap(const QLabel *label);

// Mouse press and release on the widget's centre. The program's push buttons
// act on press, so the action has run (and any modal been answered) when
// these return.
void Click(QWidget *root, const QString &objectName);
void Click(QWidget *widget);
// Press only, then release outside the widget.
void PressAndReleaseOutside(QWidget *widget);

} // namespace TestKit

#define VARNO_TEST_MAIN(TestObject)                                                                          \
    int main(int argc, char *argv[])                                                                         \
    {                                                                                                        \
        TestKit::PrepareEnvironment();                                                                       \
        QApplication app(argc, argv);                                                                        \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                             \
        TestObject tc;                                                                                       \
        QTEST_SET_MAIN_SOURCE_PATH                                                                           \
        return QTest::qExec(&tc, argc, argv);                                                                \
    }

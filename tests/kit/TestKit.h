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

class QWidget;

namespace TestKit {

// Forces the offscreen platform and non-native dialogs: a native (GTK)
// dialog is invisible to the test and would hang it. Call before the
// QApplication exists; VARNO_TEST_MAIN does.
void PrepareEnvironment();

// A private per-user store for as long as the object lives: a fresh folder
// for the INI file, or on Windows the program's registry key cleared before
// and after (the registry cannot be moved, so Windows tests run one at a time).
class IsolatedSettings
{
public:
    IsolatedSettings();
    ~IsolatedSettings();
    QString FilePath() const; // the INI file, once something was written

private:
    QTemporaryDir Dir;
};

// The settings store as "key=value" pairs joined by ";", in key order; the
// close-to-tray counter is left out of what Stored() gives.
void Store(const QString &pairs);
QString Stored();

// What a modal box or dialog looked like when it was answered.
struct ModalRecord
{
    QString className;
    QString title;
    QString text; // message box text; for file dialogs the directory shown
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QList<QMessageBox::StandardButton> buttons;
    QStringList nameFilters; // file dialogs
    QPointer<QWidget> parent;
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

    void NextClick(QMessageBox::StandardButton button = QMessageBox::Ok);
    void NextFile(const QString &path); // QFileDialog: select and accept
    void NextCancel(); // any dialog: reject
    void NextColor(const QColor &color); // QColorDialog: choose and accept
    void Next(std::function<void(QWidget *)> answer);

    const QList<ModalRecord> &Records() const { return Seen; }
    // "Title/text" of each message box; dialogs also name their class.
    QStringList Texts() const;
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

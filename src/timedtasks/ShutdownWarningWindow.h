#pragma once

#include "timedtasks/PowerOff.h"

#include <QWidget>

class QLabel;

// The last minute before a forced power-off or restart: a small window in
// the corner where the tray's balloons appear, on top of the others, counting
// down with a way to let this run go or move it. It never takes the keyboard
// focus, so nobody typing into another program presses a button by accident.
class ShutdownWarningWindow : public QWidget
{
    Q_OBJECT

public:
    explicit ShutdownWarningWindow(QWidget *parent = nullptr);

    // Shows the window, or updates the count of a window already shown.
    void ShowSecondsLeft(qint64 seconds, PowerAction action);

signals:
    void CancelRequested();
    void PostponeRequested();
    // Closed by the user: the run comes as armed, without the window.
    void Dismissed();

private:
    void PlaceInCorner();

    QLabel *Text;
};

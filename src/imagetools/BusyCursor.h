#pragma once

#include <QApplication>

// Shows the busy cursor while long image work runs; released before any box
// opens, so a message never sits under an hourglass.
class BusyCursor
{
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { Release(); }
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;
    void Release()
    {
        if (Active) {
            Active = false;
            QApplication::restoreOverrideCursor();
        }
    }

private:
    bool Active = true;
};

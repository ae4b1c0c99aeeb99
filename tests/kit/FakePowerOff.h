#pragma once

#include <QStringList>

// Every test and benchmark links this stand-in for the system's power
// requests: it only records them and gives the answer it was told to give (a
// system that refuses does not allow sleep either).
struct FakePowerOff
{
    static inline QStringList Requests; // "power-off", "restart", "sleep"
    static inline bool Accept = false;

    // Forgets the requests so far and sets what the next ones answer.
    static void Reset(bool accept = false)
    {
        Requests.clear();
        Accept = accept;
    }
    static int CallCount() { return Requests.size(); }
};

#pragma once

// Every test and benchmark links this stand-in for the system power-off: it
// only counts the requests and gives the answer it was told to give.
struct FakePowerOff
{
    static inline int Calls = 0;
    static inline bool Accept = false;

    // Forgets the calls so far and sets what the next requests answer.
    static void Reset(bool accept = false)
    {
        Calls = 0;
        Accept = accept;
    }
    static int CallCount() { return Calls; }
};

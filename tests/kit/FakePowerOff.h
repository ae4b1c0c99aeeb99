#pragma once

// Every test and benchmark links this stand-in for the system power-off: it
// only counts the requests and gives the answer it was told to give.
namespace FakePowerOff {

int CallCount();
// Forgets the calls so far and sets what the next requests answer.
void Reset(bool accept = false);
void SetAnswer(bool accept);

} // namespace FakePowerOff

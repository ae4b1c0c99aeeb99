#include "FakePowerOff.h"

#include "timedtasks/PowerOff.h"

namespace {
int Calls = 0;
bool Accept = false;
} // namespace

namespace FakePowerOff {

int CallCount()
{
    return Calls;
}

void Reset(bool accept)
{
    Calls = 0;
    Accept = accept;
}

void SetAnswer(bool accept)
{
    Accept = accept;
}

} // namespace FakePowerOff

bool PowerOffSystem()
{
    ++Calls;
    return Accept;
}

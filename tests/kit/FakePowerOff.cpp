#include "FakePowerOff.h"

#include "timedtasks/PowerOff.h"

bool PowerOffSystem()
{
    ++FakePowerOff::Calls;
    return FakePowerOff::Accept;
}

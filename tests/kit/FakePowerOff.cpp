#include "FakePowerOff.h"

#include "timedtasks/PowerOff.h"

static bool Record(const char *request)
{
    FakePowerOff::Requests << QString::fromLatin1(request);
    return FakePowerOff::Accept;
}

bool PowerOffSystem()
{
    return Record("power-off");
}

bool RestartSystem()
{
    return Record("restart");
}

bool SleepSystem()
{
    return Record("sleep");
}

bool SleepAllowed()
{
    return FakePowerOff::Accept;
}

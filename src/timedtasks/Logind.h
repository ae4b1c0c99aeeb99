#pragma once

#include "timedtasks/PowerOff.h"

class QDBusConnection;

// systemd-logind's power requests on the bus given: the program passes the
// system bus, the tests a private bus with a stand-in.
namespace Logind {

// The argument true lets logind ask for authorisation interactively where
// needed.
bool Request(const QDBusConnection &bus, PowerAction action);

// logind answers "yes", "no", "challenge" or "na"; "challenge" would need a
// password nobody is there to type at the moment it comes due.
bool CanSuspend(const QDBusConnection &bus);

} // namespace Logind

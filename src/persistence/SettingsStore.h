#pragma once

#include <QString>

class QDateTime;
class QSettings;

// The per-user store is opened afresh for every operation and let go at its
// end, so a value written by one action is what the next reader sees.
namespace SettingsStore {

inline constexpr char OrganisationName[] = "Varno";
inline constexpr char ApplicationName[] = "VarnoSoftware";

inline constexpr char IsShutdownScheduledKey[] = "IsShutdownScheduled_Variable";
inline constexpr char IsEndWorkReminderScheduledKey[] = "IsEndWorkReminderScheduled_Variable";
inline constexpr char IsRestReminderScheduledKey[] = "IsRestReminderScheduled_Variable";
// What the shutdown warning's buttons changed: moments in ISO 8601, empty
// when nothing is.
inline constexpr char ShutdownSkippedKey[] = "ShutdownSkipped_Variable";
inline constexpr char ShutdownPostponedFromKey[] = "ShutdownPostponedFrom_Variable";
inline constexpr char ShutdownPostponedToKey[] = "ShutdownPostponedTo_Variable";
inline constexpr char ApplicationShowCounterKey[] = "ApplicationShowCounter_Variable";

// A store Qt cannot read (see WidgetState::RestoreWidgetState) gives the
// default.
QString ReadText(const QString &key, const QString &defaultValue = QString());
void WriteText(const QString &key, const QString &value);

// A flag is armed only when it holds exactly "true"; anything else, a
// missing key included, means not armed.
bool IsFlagSet(const QString &key);
// The same, read from a store the caller already holds open.
bool IsFlagSet(const QSettings &store, const QString &key);
void WriteFlag(const QString &key, bool armed);

// A settings file Qt cannot load (a damaged @Variant, say) reads as empty,
// and Qt then refuses to write it: nothing the user changes would be kept.
// Run once at start-up, before anything is restored: such a file is moved
// aside to "<file>.damaged-<yyyyMMdd-HHmmss>" (plus "-2", "-3"... when that
// name is taken) in its folder, so the program starts from the defaults and
// its next save writes a good file. Says so on standard error. Returns the
// new name, or an empty string when the store was sound (or is not a file,
// as the Windows registry is not).
QString SetAsideIfDamaged(const QDateTime &now);

} // namespace SettingsStore

#pragma once

#include <QDateTime>
#include <QString>
#include <QVariant>

// --- what start-up reports and the main windows' exit steps (start-up itself is src/app/StartUp.h) ---

// The standalone/server main window's exit steps that are not its own: the time of closing, read back as
// the time away at the next start.
void SaveLogOffTime();

// The start-up report for the database statuses (0 opened, 1 created in the program folder, 2 found in
// the program folder, 3 the one in the program folder could not be opened, 4 none could be created there);
// empty when there is nothing to report. folder is the program folder; a cause says why a database could
// not be opened or made.
QString DatabaseMessage(int callerStatus, int contactStatus, const QString& folder,
                        const QString& callerCause = QString(), const QString& contactCause = QString());
// "Logged off for ..." for the stored LogOffTime text; text that is no date gives 0 hours.
QString TimeAwayEvent(const QString& logOffTime, const QDateTime& now);

// --- event list and activity log ---

// Status text: status bar, event list (trimmed to MaxEventLog) and, when on, the activity log.
void AddEvent(const QString& text);
// Appends one line to "ActivityLog.dat" when the option LogActivity is on; false when it could not be
// written. Lines that could not be written are kept (up to a bound; past it a line goes to the diagnostic log
// at once, and the log is later told how many did) and written before the next line that can be; the first
// failure of a run of them is reported once, in the event list and the diagnostic log.
// Once the file would pass ActivityLogMaxBytes it is moved to "ActivityLog.dat.1" (the older one goes) and a
// new one begins: a peer that connects and leaves all day must not fill the disk. A log that cannot be moved
// aside is emptied, and that is said once. Only a plain file is written: a FIFO or folder in its place is a
// failure like any other.
bool LogActivity(const QString& text);
inline constexpr qint64 ActivityLogMaxBytes = 8 * 1024 * 1024;
// An event that must be kept whatever the LogActivity option says (a call that could not be stored): shown
// like every event and written to the activity log, or to the diagnostic log when that cannot be written.
void AddLastingEvent(const QString& text);
// The program ends (not a mode switch): the lines the activity log holds are written to it once more, or, when
// it still cannot be written, to standard error, each line there once, so none goes with the process.
void writeHeldActivityLinesAtEnd();
// An event said once in this process for its key (a fault met again at each start or each write): later
// calls with the same key add nothing.
void AddEventOnce(const QString& key, const QString& text);
// Forgets the date of the last activity-log line (a new process starts with a blank line) and the faults said.
void resetActivityLogState();

// --- Shared window and list functions that need no widget (the widget ones are in core/ui/modMainGui.h) ---

// Positions of the View menu's period items (mnuViewTime); the others are separators.
namespace ViewTime {
inline constexpr int Minutes15 = 0;
inline constexpr int Hour1 = 2;
inline constexpr int Hours3 = 3;
inline constexpr int Hours12 = 4;
inline constexpr int Day1 = 6;
inline constexpr int Days3 = 7;
inline constexpr int Week1 = 9;
inline constexpr int Weeks3 = 10;
inline constexpr int All = 12;
inline constexpr int Custom = 14;
} // namespace ViewTime

// The query of the main window's view for a period item. A separator, "Custom..." or an index out of range
// means one day, and index is changed to 6 accordingly.
QString ViewTimeSQL(int& index);
// Checks the period's menu item on the loaded main window and stores the period's query in its strSQL.
// The query is only stored: the caller refreshes the view.
void SetViewTime(int& index);

// True when the access list BlockedIPs holds the entry ("address B" or "address R"), case ignored.
bool IsIPBlocked(const QString& entry);

// Replaces "//", ";", "|" and "'" (in that order) with the replacement. Text from the telephone line uses
// "?", user-typed text the empty replacement.
QString StripSeparators(const QString& text, const QString& replacement = QString());

// Check-box value <-> truth value: 0/"0" -> false, 1/"1" -> true, true/"True" -> 1, false/"False" -> 0;
// anything else gives an invalid (empty) value.
QVariant ConvertCheck(const QVariant& value);

// The text a numeric field holds after validation: text that is not a number becomes the fallback, then
// the value is forced into [minimum, maximum].
QString ValidateNumberText(const QString& text, double minimum, double maximum, double fallback);

// Opens a link (web address, mail address, file) with the desktop's handler; a failure is reported with
// "A hyper link error occured.". The owner handle of the original call is no longer needed.
bool OpenHyperlink(const QString& ownerHandleText, const QString& link);

// The desktop's network settings tool when one is installed, else a message. Returns whether a tool started.
bool OpenNetworkSettings();
// Modems have no settings tool of their own on this desktop: a message says where the port is chosen.
bool OpenModemSettings();

#pragma once

#include <QString>

// Status text: status bar, event list (trimmed to MaxEventLog) and, when on, the activity log.
void AddEvent(const QString& text);
// Appends one line to "ActivityLog.dat" when the option LogActivity is on.
void LogActivity(const QString& text);
// Forgets the date of the last activity-log line (a new process starts with a blank line).
void resetActivityLogState();

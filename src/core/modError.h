#pragma once

#include <QString>

// The error report. Every failure handler first keeps the error with SaveError, passes its tag
// ("object_procedure") to ReportError, then goes on, leaves, or tells the user with ShowError.

// The number a failure of the database engine goes by once it leaves the code that met it (an answer to a
// client, a store's failure its callers tell apart by number). SQLite's own codes overlap the contact store's
// duplicate refusals (1 and 2) and the runtime's numbers, so they stay in the diagnostic trail only.
inline constexpr qint32 kDatabaseError = 30000;
// A client's request the server will not compute: it would hold the program far too long.
inline constexpr qint32 kRequestTooLarge = 30001;

extern qint32 gErrNumber;
extern QString gErrDescription;
extern QString gErrSource;

void SaveError(qint32 number, const QString& description, const QString& source = QString());
// Writes the kept error, after the failing procedure's tag, to the diagnostic log (platform/DiagnosticLog),
// so a failure the user is not told about still leaves a trace; the kept error stays as it is.
void ReportError(const QString& tag);
// Adds an event line and shows a warning box; an empty message reports the kept error.
void ShowError(const QString& message);

// The last tag ReportError received (read by tests).
QString lastReportedTag();

#pragma once

#include <QString>

// The trail of failures the program recorded without troubling the user: "Diagnostics.log" in the program
// folder, one line per report, kept below MaxBytes by moving the full file aside to "Diagnostics.log.1"
// once (the previous older file goes). When the file cannot be written the line goes to standard error as
// a warning instead, so no report is lost.
namespace DiagnosticLog {

constexpr qint64 MaxBytes = 512 * 1024;

QString path();
// Appends one line (line breaks inside it become spaces), time-stamped with the real local time. False when
// the file could not take it and it went to standard error.
bool write(const QString& text);

} // namespace DiagnosticLog

#pragma once

#include <QString>

#include <optional>

// One call exactly as the log holds it: the name and number received from the line (not the contact's),
// the date and time in the general date form, the ring count and the stored answered text.
struct LoggedRecord {
    QString Name;
    QString Number;
    QString Time;
    QString Rings;
    QString Answered;
};

// The call logged at that date and time. Nothing when the text is no date, no call was logged then, the log
// cannot be read, or in client mode (the server looks it up).
std::optional<LoggedRecord> FindLoggedRecord(const QString& callerDate);
// The call with that record ID as the log holds it; nothing when there is none (or in client mode).
std::optional<LoggedRecord> FindLoggedRecordByID(qint64 id);

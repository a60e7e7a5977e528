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

// The numbers the kept error goes by. Clients, the diagnostic trail and the windows that tell one failure
// from another read them, so each keeps the value it has always had.
inline constexpr qint32 kInvalidCallError = 5;          // "Invalid procedure call or argument"
inline constexpr qint32 kOverflowError = 6;             // "Overflow"
inline constexpr qint32 kOutOfMemoryError = 7;          // "Out of memory"
inline constexpr qint32 kTypeMismatchError = 13;        // "Type mismatch"
inline constexpr qint32 kFileNotFoundError = 53;        // "File not found"
inline constexpr qint32 kPastEndOfFileError = 62;       // "Input past end of file"
inline constexpr qint32 kFileAccessError = 75;          // "Path/File access error"
inline constexpr qint32 kObjectNotSetError = 91;        // "Object variable or With block variable not set"
inline constexpr qint32 kInvalidPropertyError = 380;    // "Invalid property value"
inline constexpr qint32 kOutOfRangeError = 381;         // "Subscript out of range"
inline constexpr qint32 kDuplicateKeyError = 457;       // "This key is already associated with ..."
inline constexpr qint32 kPrinterError = 482;            // the printer failed
inline constexpr qint32 kNoCurrentRecordError = 3021;   // "No current record."
inline constexpr qint32 kCancelSelectedError = 32755;   // "Cancel was selected."
inline constexpr qint32 kWrongSocketStateError = 40006; // "Wrong protocol or connection state ..."
// A socket's failures: the base plus the socket layer's own error, and the ones the program names.
inline constexpr qint32 kSocketErrorBase = 10000;
inline constexpr qint32 kSocketAccessError = 10013;
inline constexpr qint32 kSocketNoDescriptorError = 10024;
inline constexpr qint32 kAddressInUseError = 10048;
inline constexpr qint32 kAddressNotAvailableError = 10049;

extern qint32 gErrNumber;
extern QString gErrDescription;
extern QString gErrSource;

void SaveError(qint32 number, const QString& description, const QString& source = QString());
// Writes the kept error, after the failing procedure's tag, to the diagnostic log (platform/DiagnosticLog),
// so a failure the user is not told about still leaves a trace; the kept error stays as it is.
void ReportError(const QString& tag);
// The file at path, which the program writes whole, could not be written, so it stays as it was: kept (description
// says which file and why), and reported under tag like any failure and said in the event list once, until the
// description changes (a full disk would say it again at every change) or a write of that file goes through; said
// before a main window showed the events, it is said once more where the user sees it.
void ReportUnwritten(qint32 number, const QString& description, const QString& source, const QString& tag,
                     const QString& path);
// A write of the file at path went through: a refusal of it that comes again is said again. Other files' refusals
// stand as they were said.
void ForgetUnwrittenReports(const QString& path);
// Adds an event line and shows a warning box; an empty message reports the kept error. While a
// ReportWithoutWaiting lives the box is a notice, which does not wait.
void ShowError(const QString& message);

// Held by the call road and the server's dispatcher while they work: nothing they report waits on the user, so
// a call or another client's request is never held up by a box the server's user has not answered yet.
class ReportWithoutWaiting {
public:
    ReportWithoutWaiting();
    ~ReportWithoutWaiting();
    ReportWithoutWaiting(const ReportWithoutWaiting&) = delete;
    ReportWithoutWaiting& operator=(const ReportWithoutWaiting&) = delete;
};

// Held while a long task lets the event loop run: what runs meanwhile (the user's own commands) reports as
// it would with no task under it, whatever the task holds.
class ReportAsUsual {
public:
    ReportAsUsual();
    ~ReportAsUsual();
    ReportAsUsual(const ReportAsUsual&) = delete;
    ReportAsUsual& operator=(const ReportAsUsual&) = delete;

private:
    int m_withoutWaiting;
};

// The last tag ReportError received (read by tests).
QString lastReportedTag();

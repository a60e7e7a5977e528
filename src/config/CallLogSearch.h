#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// The search window's work without the window: the four page writers that build a query on the call log,
// the date checks and their messages, the recent-items histories, and the hand-over of a query to the
// main window's view (re-read at once here, sent to the server as an ";SQL;" request by a client).
//
// The query text is the view dialect. Text typed by the user is quoted with every "'" doubled, so a name
// such as O'Brien is found and cannot end the literal early; ";" and "|" never reach a query sent to the
// server (they would be read as the message's own separators). Whatever the query, the main window runs it
// read-only: a statement that would change the log is refused there and said so.
//
// Its variables outlive the window: the inputs of the last searches come back when the window opens again,
// for as long as the program runs.
class CallLogSearch {
public:
    // The sentinel a writer leaves when its page gives no query.
    static const QString NotValid;
    // The words the date boxes take besides dates (any letter case).
    static const QString BeginningOfRecords;
    static const QString EndOfRecords;
    static const QString Present;

    enum Page { NameNumberPage = 0, ContactsPage = 1, DateTimePage = 2, CustomSQLPage = 3 };
    // The date box a refused date search puts the focus on.
    enum class DateBox { None, Start, End };

    // --- the window's variables ---
    QString strFindSQL;        // the query of the last writer, or NotValid; empty after a hand-over
    int intSQLIndex = 0;       // the custom SQL history entry shown: 0 none, 1 the newest, at most 9
    QString strLastNameNumber; // the inputs of the last valid searches, as typed
    QString strNameField;      // "True"/"False": the field boxes when the window last closed; empty before
    QString strNumberField;
    QString strLastStartDate;
    QString strLastEndDate;
    QString strLastCustomSQL;
    int intSecretClicks = 0;

    // --- the page writers; each sets strFindSQL ---
    // Calls whose name and/or number is like the text ("*" is the wildcard the user types).
    void WriteNameNumberSQL(const QString& text, bool byName, bool byNumber);
    // Calls from any number of the checked contacts, in list order.
    void WriteContactsSQL(const QStringList& checkedNames);
    // Calls between the two dates (exclusive), or from the first / to the last call of the log (inclusive).
    // An invalid date is said in a message (style 16); the result names the box to put the focus on.
    DateBox WriteDateTimeSQL(const QString& start, const QString& end);
    // The text as typed, without a final ";" or blanks. A client refuses a query that still holds ";" with
    // a message; the history never takes one.
    void WriteCustomSQL(const QString& text);

    static bool IsValidStartDate(const QString& text);
    static bool IsValidEndDate(const QString& text);

    // --- the hand-over (the Find button after its page's writer) ---
    struct Outcome {
        bool handedOver = false;
        QString sql;
        // The records the query found (standalone and server); nothing in client mode.
        std::optional<qint64> records;
    };
    // Makes strFindSQL the main window's view: its period marks cleared, showCurrent told the query, then the
    // call log read again (standalone and server), or showWaiting called and the request sent (client).
    // Nothing happens for an empty or NotValid query. strFindSQL is empty afterwards.
    Outcome HandOver(const std::function<void(const QString&)>& showCurrent, const std::function<void()>& showWaiting);

    // --- histories (section frmFind), newest first, as the combo boxes list them ---
    static QStringList NameNumberHistory();
    // "Beginning of Records" first (not in client mode), then the stored start dates.
    static QStringList StartDateHistory();
    // "Present" and "End of Records" (not in client mode) first, then the stored end dates.
    static QStringList EndDateHistory();
    // An arrow of the custom SQL box: index 1 older, 0 newer. The entry to show, or nothing when the box
    // keeps its text.
    std::optional<QString> NavigateSQL(int index);
    // A double-click on "Records Found:": the third one empties the four histories and returns true (the
    // window then shakes).
    bool SecretClick();

    // Characters a name or number search may not hold: the request separators.
    static QString StripRequestSeparators(const QString& text);
};

// The one search of the program.
CallLogSearch& callLogSearch();
// A fresh search, as a new process finds it (tests).
void resetCallLogSearch();

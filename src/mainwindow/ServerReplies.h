#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class ServerRequest;

// The server's long answers to its clients: the rows of a call-log query, the newest calls for a client's
// pop-up, the deletion of listed calls, statistics and graphs. Each one is built whole and sent with one
// send. Above a threshold a progress window ("Sending Data To " and the client's address) counts the rows;
// while it is up, and every few milliseconds when it cannot be shown, the event loop runs, so the calls,
// the other clients and the requester's cancel keep being served. Each row (or ID) is started only while
// the server's user has not pressed Stop and the requester has neither cancelled nor left.
//
// Failures are kept (SaveError) under the main window's tags and answered to the requester with ";ERROR;".
class ServerReplies : public QObject {
    Q_OBJECT
public:
    static constexpr int SqlProgressThreshold = 50;
    static constexpr int MiniDisplayProgressThreshold = 30;
    // Compared with the index of the last ID (one less than the number of IDs).
    static constexpr int DeleteProgressThreshold = 50;
    // Most steps a progress window counts; a longer answer advances it every few rows.
    static constexpr qint32 MaxProgressSteps = 5000;
    // Longest stretch of work without a look at the event loop when no progress window is shown.
    static constexpr int YieldIntervalMs = 10;
    // Most bytes of text the calls of one query answer may hold; a larger answer is refused with ";ERROR;"
    // before it is read whole. A client takes at most 64 MB in one send, which the tags and fields around
    // 40 MB of text fill.
    static constexpr qint64 MaxReplyTextBytes = 40LL * 1024 * 1024;
    // Most bytes one query answer may take as the server builds it: every call's line of the reply as held
    // (two bytes a character) and its place in the list of lines, whatever the call holds. A call without
    // any text still costs some 70 bytes, so a query of a billion rows of one number is refused once this
    // is spent. It leaves room for the 40 MB of text above (80 MB as held) and the lines' own fields.
    static constexpr qint64 kMaxReplyBytes = 96LL * 1024 * 1024;
    qint64 MaxReplyBytes = kMaxReplyBytes;

    // owner: the window that owns the progress windows (the main window), or nullptr.
    explicit ServerReplies(QObject* owner = nullptr, QObject* parent = nullptr);

    // The clock a query answer's time runs on, in milliseconds (monotonic): the answer may take the read-only
    // connection's time budget (SqlDatabase::defaultQueryBudget) from the request's start, the time it gives
    // way to the rest of the program included. Tests hold it still or move it.
    using Clock = std::function<qint64()>;
    void setClock(Clock clock) { m_clock = std::move(clock); }

    // ";SIZE;" with the row count, then ";CLEAR CALLERS;" and a ";CALLER;" record per row (ID, name,
    // number, date, rings, answered). Only a query that reads the call log runs, and it runs on the read-only
    // connection: anything else is answered with ";ERROR;".
    void SendSQL(const ServerRequest& request, const QString& query);
    // ";MINI DISPLAY;" and a record for each of the count newest calls, newest first, then ";". They are read
    // as a query's answer is, under the same bounds.
    void SendMiniDisplayInfo(const ServerRequest& request, qint32 count);
    // Deletes the calls listed as "|id|id|...|"; ";DELETE OK;" to every client, ";UPDATE NEEDED;" to the
    // others, and to the requester too when the deletion stopped early. A list holding an item that is no
    // call's number is one ";ERROR;", and nothing is deleted. A delete the log refuses ends the deletion: one
    // ";ERROR;" with the cause and how many calls went, no ";DELETE OK;", and ";UPDATE NEEDED;" to every
    // client when some went. "Deleted Call Records" is written only when calls were deleted.
    void SendDeleteSQL(const ServerRequest& request, const QString& idList);
    // The statistics engine's answers (statistics/ServerStatistics.h): it writes the event line, turns the
    // request into its statistics, groups and period, and replies itself.
    void SendStatistic(const ServerRequest& request, const QString& payload);
    void SendGraph(const ServerRequest& request, const QString& payload);

Q_SIGNALS:
    // A call was deleted: its row leaves the main window's call list.
    void callDeleted(qint32 id);

private:
    void answerSQL(const ServerRequest& request, const QString& query);
    // Reads the query's calls into the reply's lines, each line tag and the call's record, under the answer's
    // time and memory; gives way to the rest of the program every few milliseconds, also inside a long step of
    // the query, and sets cancelled when it stopped there for the requester's cancel or the program's end.
    // Throws SqlError.
    void readCalls(const ServerRequest& request, const QString& query, const QString& tag, QString& text,
                   QList<qint32>& ends, bool& cancelled);

    QPointer<QObject> m_owner;
    Clock m_clock;
};

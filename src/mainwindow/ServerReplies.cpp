#include "mainwindow/ServerReplies.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QStringTokenizer>

#include <algorithm>
#include <memory>
#include <new>
#include <vector>

#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/Processing.h"
#include "core/ProgramLinks.h"
#include "core/ProgressWindow.h"
#include "core/RecordFields.h"
#include "core/clsTokenizer.h"
#include "core/modCallerDB.h"
#include "core/modError.h"
#include "network/ServerRequest.h"
#include "network/clsServer.h"
#include "platform/Memory.h"
#include "platform/SqlDatabase.h"
#include "platform/SqlError.h"
#include "popup/MiniDisplay.h"
#include "statistics/ServerStatistics.h"

namespace {

const QString kSource = QStringLiteral("frmBaseMain");

// The failure goes to the diagnostic trail with SQLite's own code; the client is answered with
// kDatabaseError, which no other failure and none of the contact store's refusals share.
void keep(const SqlError& e, const char* tag)
{
    SaveError(e.code(), e.message(), kSource);
    ReportError(QString::fromLatin1(tag));
}

// The steps of one long answer: its progress window, when one is shown, and the looks at the event loop.
// Up to MaxProgressSteps rows each row is a step of the window; a larger answer advances it every few rows,
// so 100,000 rows do not spend seconds in repaints of the window.
class ReplySteps {
public:
    ReplySteps(qint32 steps, bool large, const QString& caption, QObject* owner)
        : m_task(caption), m_perStep(std::max<qint32>(1, (steps + ServerReplies::MaxProgressSteps - 1) /
                                                             ServerReplies::MaxProgressSteps)),
          m_large(large)
    {
        if (large)
            m_progress = std::make_unique<Processing>((steps + m_perStep - 1) / m_perStep, caption, owner);
        m_clock.start();
    }

    // Whether the next step may start: not after Stop, nor once the requester cancelled or left. Then the
    // step is counted, which lets the event loop run.
    bool next(const ServerRequest& request)
    {
        if (Program::ending())
            return false;
        if (m_progress && m_progress->StopProcessing())
            return false;
        if (request.cancelled())
            return false;
        const ProgressWindow* window = m_progress ? m_progress->window() : nullptr;
        if (window && window->active()) {
            if (m_done % m_perStep == 0)
                m_progress->Increment();
        } else if (m_large && m_clock.elapsed() >= ServerReplies::YieldIntervalMs) {
            // No window to count on (a modal dialog is open, or it was closed): the server still must not
            // stop serving the calls and the other clients for one client's answer.
            LongTask::yield();
            m_clock.restart();
        }
        ++m_done;
        return true;
    }

private:
    LongTask m_task;
    std::unique_ptr<Processing> m_progress;
    QElapsedTimer m_clock;
    qint32 m_perStep;
    qint32 m_done = 0;
    bool m_large;
};

// Steps through the rows read before they go out (the answer's progress window, its looks at the event loop).
// Gives how many go: all of them when the read itself was cut short, else those stepped through before a stop.
qint32 stepThrough(const ServerRequest& request, qint32 rows, qint32 threshold, bool readCut, QObject* owner)
{
    qint32 sent = readCut ? rows : 0;
    ReplySteps steps(rows, rows > threshold, QStringLiteral("Sending Data To ") + request.address(), owner);
    while (sent < rows && steps.next(request))
        ++sent;
    return sent;
}

// A query of the call log: one statement whose first word is SELECT. The read-only connection refuses
// every other kind anyway; this says so before the text goes near the database.
bool isSelect(const QString& query)
{
    static const QRegularExpression select(QStringLiteral("^\\s*select\\b"), QRegularExpression::CaseInsensitiveOption);
    return select.match(query).hasMatch();
}

} // namespace

ServerReplies::ServerReplies(QObject* owner, QObject* parent)
    : QObject(parent), m_owner(owner), m_clock([] {
          static const QElapsedTimer started = [] {
              QElapsedTimer t;
              t.start();
              return t;
          }();
          return started.elapsed();
      })
{
}

void ServerReplies::SendSQL(const ServerRequest& request, const QString& query)
{
    request.event(QStringLiteral(" Requested a SQL Query: ") + query);
    try {
        answerSQL(request, query);
    } catch (const std::bad_alloc&) {
        // The answer's memory went with its frames; the server goes on, and the client is told.
        SaveError(kOutOfMemoryError, QStringLiteral("Out of memory"), kSource);
        ReportError(QStringLiteral("frmBaseMain_SendSQL"));
        giveMemoryBack();
        request.replyError(kOutOfMemoryError, QStringLiteral("Out of memory"));
    }
}

void ServerReplies::answerSQL(const ServerRequest& request, const QString& query)
{
    // The reply as it goes out, each call's line ending at its place in ends: built as the calls are read,
    // so a call costs its line and nothing more.
    QString text = QStringLiteral(";CLEAR CALLERS;");
    QList<qint32> ends;
    bool cancelled = false;
    try {
        if (!isSelect(query)) {
            throw SqlError(SqlError::Kind::BadSql, 23,
                           QStringLiteral("Only a query that reads the call log can be run here."));
        }
        readCalls(request, query, QStringLiteral(";CALLER;"), text, ends, cancelled);
    } catch (const SqlError& e) {
        // Stopped for the requester's cancel (or the program's end), what was read still goes out.
        if (!cancelled) {
            keep(e, "frmBaseMain_SendSQL");
            request.replyError(kDatabaseError, e.message());
            // What the refused answer took goes back to the system, not only to the program's heap.
            text = QString();
            ends = QList<qint32>();
            giveMemoryBack();
            return;
        }
    }
    const qint32 size = qint32(ends.size());
    request.reply(QStringLiteral(";SIZE;") + QString::number(size) + QLatin1Char(';'));
    const qint32 sent = stepThrough(request, size, SqlProgressThreshold, cancelled, m_owner);
    // Rows gathered before a cancel still go out; the count sent first keeps the full number.
    if (sent < size)
        text.truncate(sent > 0 ? ends.at(sent - 1) : qsizetype(QStringLiteral(";CLEAR CALLERS;").size()));
    ends = QList<qint32>();
    request.reply(text);
    text = QString();
    if (size > SqlProgressThreshold)
        giveMemoryBack();
}

void ServerReplies::readCalls(const ServerRequest& request, const QString& query, const QString& tag, QString& text,
                              QList<qint32>& ends, bool& cancelled)
{
    const std::unique_ptr<SqlDatabase> reader = OpenCallerDBReader();
    if (!reader)
        return;
    // Shut-down and a mode switch wait for the read, which stops at the next look.
    const LongTask task(QStringLiteral("Sending Data To ") + request.address());
    const int budget = SqlDatabase::defaultQueryBudget();
    SqlDatabase::Watch watch;
    watch.clockMs = m_clock;
    watch.deadlineMs = budget > 0 ? m_clock() + budget : 0;
    // The calls, the other clients and the requester's cancel are served while the query runs. The
    // connection is this answer's own, so nothing run meanwhile can reach its statement.
    watch.giveWay = [&request, &cancelled] {
        LongTask::yield();
        cancelled = request.cancelled() || Program::ending();
        return !cancelled;
    };
    watch.giveWayMs = YieldIntervalMs;
    reader->setWatch(std::move(watch));
    const qint64 bound = MaxReplyBytes;
    ForEachCaller(
        query,
        [&](const clsCaller& caller) {
            text += tag;
            text += caller.PrintSend();
            ends << qint32(text.size());
            if (qint64(text.size()) * qint64(sizeof(QChar)) + qint64(ends.size()) * qint64(sizeof(qint32)) > bound) {
                // 18: SQLite's own code for a result too big, as the text bound uses.
                throw SqlError(SqlError::Kind::TooComplex, 18,
                               QStringLiteral("The answer needs more than %1 MB of memory: ask "
                                              "for fewer calls.")
                                   .arg(bound / (1024 * 1024)));
            }
        },
        MaxReplyTextBytes, reader.get(), QuerySource::Peer);
}

void ServerReplies::SendMiniDisplayInfo(const ServerRequest& request, qint32 count)
{
    request.event(QStringLiteral(" Requested Mini Display Information"));
    QString text;
    QList<qint32> ends;
    bool cancelled = false;
    try {
        // The newest calls, newest first; calls of the same second in the order they were stored.
        readCalls(request,
                  QStringLiteral("Select * From tblCID Order By fldDate Desc, ID Desc Limit %1")
                      .arg(std::max<qint32>(0, count)),
                  QStringLiteral(";MINI DISPLAY;"), text, ends, cancelled);
    } catch (const SqlError& e) {
        if (!cancelled) {
            keep(e, "frmBaseMain_SendMiniDisplayInfo");
            request.replyError(kDatabaseError, e.message());
            return;
        }
    } catch (const std::bad_alloc&) {
        SaveError(kOutOfMemoryError, QStringLiteral("Out of memory"), kSource);
        ReportError(QStringLiteral("frmBaseMain_SendMiniDisplayInfo"));
        text = QString();
        ends = QList<qint32>();
        giveMemoryBack();
        request.replyError(kOutOfMemoryError, QStringLiteral("Out of memory"));
        return;
    }
    const qint32 n = qint32(ends.size());
    const qint32 sent = stepThrough(request, n, MiniDisplayProgressThreshold, cancelled, m_owner);
    if (sent < n)
        text.truncate(sent > 0 ? ends.at(sent - 1) : 0);
    ends = QList<qint32>();
    text += QLatin1Char(';');
    request.reply(text);
    text = QString();
    if (n > MiniDisplayProgressThreshold)
        giveMemoryBack();
}

void ServerReplies::SendDeleteSQL(const ServerRequest& request, const QString& idList)
{
    // The whole list is read before anything is deleted: one item that is no number is one answer, and the
    // list is not half carried out. A list of megabytes of such items would otherwise send an answer for each.
    // Read in place: a client's Clear of a large log sends a million IDs.
    std::vector<qint32> ids;
    for (QStringView item : qTokenize(QStringView(idList), QLatin1Char('|'), Qt::SkipEmptyParts)) {
        bool plain = false;
        qint32 id = item.toInt(&plain);
        if (!plain) {
            const RecordFields::Conversion conversion = RecordFields::toInt32(item.toString(), id);
            if (conversion != RecordFields::Converted) {
                RecordFields::recordFailure(conversion, QStringLiteral("frmBaseMain_SendDeleteSQL"), false);
                request.event(QStringLiteral(" sent a list of calls to delete that holds \"%1\", which is no "
                                             "call's number; nothing was deleted")
                                  .arg(item.left(40).toString()));
                request.replyLastError();
                return;
            }
        }
        ids.push_back(id);
    }
    const qint32 last = qint32(ids.size()) - 1;
    bool stopped = false;
    qint64 deleted = 0;
    // Why the log refused a delete: the deletion ends there, as the next deletes would fail the same way.
    QString failure;
    // The IDs name calls of the log open now; once another log is open they would name other calls.
    const quint64 log = CallerDBGeneration();
    {
        ReplySteps steps(last, last > DeleteProgressThreshold,
                         QStringLiteral("Processing Request From ") + request.address(), m_owner);
        for (size_t done = 0; done < ids.size(); ++done) {
            if (!steps.next(request) || CallerDBGeneration() != log) {
                stopped = true;
                if (Program::ending())
                    Program::sayUnfinished(QStringLiteral("%1 of %2 calls that %3 asked to delete were not deleted")
                                               .arg(ids.size() - done)
                                               .arg(ids.size())
                                               .arg(request.address()));
                break;
            }
            try {
                if (DeleteCaller(ids[done])) {
                    ++deleted;
                    Q_EMIT callDeleted(ids[done]);
                }
            } catch (const SqlError& e) {
                keep(e, "frmBaseMain_SendDeleteSQL");
                failure = e.message();
                break;
            }
        }
    }
    if (deleted > 0) {
        request.event(QStringLiteral(" Deleted Call Records"));
        if (gMainForm)
            gMainForm->UpdateStatus();
    }
    if (!failure.isEmpty()) {
        // Said once, with what was done: no "DELETE OK", which every client would take for its own deletion
        // done. A client that was shown calls now gone reads its view again; one that was not keeps it.
        if (!failure.endsWith(QLatin1Char('.')))
            failure += QLatin1Char('.');
        request.replyError(kDatabaseError,
                           failure + QStringLiteral(" %1 of %2 calls were deleted.").arg(deleted).arg(ids.size()));
        if (deleted > 0 && gServer)
            gServer->SendData(QStringLiteral(";UPDATE NEEDED;"), -1, -1);
    } else if (gServer) {
        gServer->SendData(QStringLiteral(";DELETE OK;"), -1, -1);
        gServer->SendData(QStringLiteral(";UPDATE NEEDED;"), -1, request.index());
        // The requester takes "DELETE OK" for all of its calls gone; after a stop only some went, so it asks
        // for its view again like the others.
        if (stopped)
            request.reply(QStringLiteral(";UPDATE NEEDED;"));
    }
    if (deleted > 0)
        miniDisplay().LoadData();
}

void ServerReplies::SendStatistic(const ServerRequest& request, const QString& payload)
{
    // The statistics engine reads the request, computes it (waiting its turn behind another computation) and
    // answers the requester itself.
    ::SendStatistic(request.index(), payload);
}

void ServerReplies::SendGraph(const ServerRequest& request, const QString& payload)
{
    ::SendGraph(request.index(), payload);
}

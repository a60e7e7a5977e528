#include "mainwindow/RemoteCommands.h"

#include <algorithm>

#include <QPointer>
#include <QSet>

#include "core/ChangedMeanwhile.h"
#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/ProgramLinks.h"
#include "core/SettingsKeys.h"
#include "core/WindowLinks.h"
#include "core/modMain.h"
#include "core/modProperties.h"
#include "mainwindow/CallListModel.h"
#include "mainwindow/GridEditRules.h"
#include "mainwindow/RemoteDispatcher.h"
#include "network/clsRemoteSocket.h"
#include "platform/Prompt.h"

namespace {

QString idText(const CallListModel& list, int row) { return list.textMatrix(row, CallListModel::ColID).trimmed(); }

bool confirmOn()
{
    return textToBool(GetProperty(Section::frmConfiguration, Key::ConfirmDeletion, QStringLiteral("True")));
}

} // namespace

RemoteCommands::RemoteCommands(MainWindow& host, RemoteDispatcher& state, QObject* owner)
    : QObject(owner), m_host(host), m_state(state), m_owner(owner)
{
}

void RemoteCommands::send(const QString& text)
{
    if (gRemoteSocket)
        gRemoteSocket->SendData(text);
}

bool RemoteCommands::confirmRemoval(bool plural) const
{
    if (!confirmOn())
        return true;
    const QString text = plural ? QStringLiteral("Are you sure you want to permanently remove these records from "
                                                 "the database?")
                                : QStringLiteral("Are you sure you want to permanently remove this record from "
                                                 "the database?");
    return Prompt::message(text, Prompt::YesNo, Prompt::Exclamation) == Prompt::Yes;
}

namespace {

// The calls a deletion or an edit was begun on, by ID, with the way the list named them then.
struct ChosenCalls {
    QList<qint32> ids;
    QStringList shown;
    QString field = QStringLiteral("|"); // the request's ID list
};

ChosenCalls chosenRows(const CallListModel& list, int first, int last)
{
    ChosenCalls chosen;
    for (int row = first; row <= last; ++row) {
        const QString id = idText(list, row);
        chosen.ids.append(id.toInt());
        chosen.shown.append(ChangedMeanwhile::call(list.textMatrix(row, CallListModel::ColName),
                                                   list.textMatrix(row, CallListModel::ColDate)));
        chosen.field += id + QLatin1Char('|');
    }
    return chosen;
}

// The first of the chosen calls that the client's copy of the log no longer holds (the server's push of
// another client's deletion, or a list read again without it), or -1.
qsizetype firstGone(const QList<qint32>& ids)
{
    QSet<qint32> held;
    if (gRemoteCallers) {
        held.reserve(gRemoteCallers->size());
        for (qsizetype i = 0; i < gRemoteCallers->size(); ++i)
            held.insert(gRemoteCallers->idAt(i));
    }
    for (qsizetype i = 0; i < ids.size(); ++i) {
        if (!held.contains(ids[i]))
            return i;
    }
    return -1;
}

} // namespace

// The rows a command acts on are read before its question: while the box waits the server's pushes go on
// (a call, another client's deletion, the list read again), and the rows then show other calls. After the
// question the calls are looked up again in the client's copy of the log, and the program may have ended
// meanwhile, this object with its window.

void RemoteCommands::DeleteSelected(const CallListModel& list)
{
    if (list.rows() == 1 || gRinging)
        return;
    const int first = std::max(1, std::min(list.row(), list.rowSel()));
    const int last = std::max(list.row(), list.rowSel());
    if (last < first)
        return;
    const ChosenCalls chosen = chosenRows(list, first, last);
    const QPointer<RemoteCommands> self(this);
    if (!confirmRemoval(list.row() != list.rowSel()) || !self)
        return;
    if (const qsizetype gone = firstGone(chosen.ids); gone >= 0) {
        ChangedMeanwhile::say(chosen.shown.at(gone));
        return;
    }
    m_state.SelectionChanged = false;
    m_state.PendingDeletes = chosen.ids;
    if (chosen.ids.size() > DeleteNoteThreshold)
        Program::showWaiting(QStringLiteral("DELETE"), m_owner);
    send(QStringLiteral(";DELETE SQL;") + chosen.field);
}

void RemoteCommands::ClearLog(const CallListModel& list)
{
    if (list.rows() == 1 || gRinging)
        return;
    const ChosenCalls chosen = chosenRows(list, 1, list.rows() - 1);
    const QPointer<RemoteCommands> self(this);
    if (!confirmRemoval(list.rows() >= 3) || !self)
        return;
    if (const qsizetype gone = firstGone(chosen.ids); gone >= 0) {
        ChangedMeanwhile::say(chosen.shown.at(gone));
        return;
    }
    m_state.DeleteAllPending = true;
    Program::showWaiting(QStringLiteral("DELETE"), m_owner);
    send(QStringLiteral(";DELETE SQL;") + chosen.field);
}

void RemoteCommands::Search(MiniDisplay::SearchKind kind, const CallListModel& list)
{
    const int row = list.row();
    if (row < 1 || row >= list.rows())
        return;
    clsCaller caller;
    caller.Name = list.textMatrix(row, CallListModel::ColName);
    caller.Number.Number = list.textMatrix(row, CallListModel::ColNumber);
    // The list shows a contact's name where one matched; the log holds the name the line gave.
    bool ok = false;
    const qint32 id = idText(list, row).toInt(&ok);
    if (ok && gRemoteCallers) {
        if (const qsizetype i = gRemoteCallers->indexOf(id); i >= 0)
            caller.Name = gRemoteCallers->text(i, RemoteCallerCollection::Name).toString();
    }
    m_host.strSQL = MiniDisplay::searchSQL(kind, caller);
    RequestView();
    m_host.UncheckTimeMenu();
}

void RemoteCommands::ChoosePeriod(int index)
{
    if (index == ViewTime::Custom) {
        if (windowLinks().showCustomizeTime)
            windowLinks().showCustomizeTime(QStringLiteral("Main"), m_owner);
        return;
    }
    int period = index;
    const QString sql = ViewTimeSQL(period);
    m_host.UncheckTimeMenu();
    m_host.setViewTimeChecked(period);
    m_host.strSQL = sql;
    SaveProperty(Section::frmMain, Key::ViewTime, QString::number(period));
    RequestView();
}

void RemoteCommands::RequestView()
{
    Program::showWaiting(QStringLiteral("SQL"), m_owner);
    send(QStringLiteral(";SQL;") + m_host.strSQL);
}

void RemoteCommands::ViewOriginal(const CallListModel& list)
{
    const int row = list.row();
    if (list.rows() == 1 || row < 1 || row >= list.rows())
        return;
    send(QStringLiteral(";ORIGINAL ID;") + list.textMatrix(row, CallListModel::ColDate) + QLatin1Char(';'));
}

void RemoteCommands::EditGrid(int column, const QString& text, qint32 id)
{
    // Only what the list's editor lets through goes out: a ";" would end the field early.
    std::optional<QString> value = text;
    if (column >= CallListModel::ColName && column <= CallListModel::ColAnswered)
        value = GridEditRules::accept(column, text);
    if (!value || id <= 0)
        return;
    if (confirmOn()) {
        clsCaller shown;
        if (gRemoteCallers) {
            if (const qsizetype i = gRemoteCallers->indexOf(id); i >= 0)
                shown = gRemoteCallers->at(i);
        }
        const QPointer<RemoteCommands> self(this);
        if (Prompt::message(QStringLiteral("Are you sure you want to permanently edit the original caller id "
                                           "information?"),
                            Prompt::YesNo, Prompt::Exclamation) != Prompt::Yes ||
            !self)
            return;
        if (firstGone({id}) >= 0) {
            ChangedMeanwhile::say(ChangedMeanwhile::call(shown.PrintNameDescription(), shown.CallerDate));
            return;
        }
    }
    send(QStringLiteral(";EDIT CALLER;") + QString::number(column) + QLatin1Char(';') + *value + QLatin1Char(';') +
         QString::number(id));
}

#pragma once

#include <QObject>
#include <QString>

#include <vector>

#include "core/clsCaller.h"

class CallListModel;

// The commands of the standalone/server main window that change the call log: editing one field of a
// call, deleting the selected calls or those of the view, and starting or opening another log file.
// They ask their questions through Prompt and read the selection from the list, but never touch the
// list, the view or a window: each command says what changed (its result, or callerEdited), and the
// host updates the list, refreshes the view and then runs the common ending, LogChanged.
// Failures are kept and reported under the main window's tags, as the error report has always named them.
class CallLogCommands : public QObject {
    Q_OBJECT
public:
    // What a deletion did to the log.
    enum class Removal {
        Nothing, // refused, declined or failed: the log is as it was
        Removed, // every selected call went: the selected rows are to go
        Stopped  // the user stopped it; the calls deleted before the stop stay deleted: read the view again
    };

    // The parent (the main window) owns the progress window of a long deletion.
    explicit CallLogCommands(QObject* parent = nullptr);

    // Stores text in one field of one call: column 0 Name, 1 Number, 2 Date/Time, 3 Rings, 4 Answered; any
    // other column stores the call as it is. id -1 stands for the call of the list's selected row, and then
    // the user is asked first while ConfirmDeletion is on; that call is the one selected when the command
    // began, and one deleted meanwhile is said and left alone. Text the list's editor would refuse (GridEditRules)
    // changes nothing; what it accepts is stored in the editor's form. The call as stored, matched to its
    // contact, goes out with callerEdited; a server then tells its clients (broadcast).
    void EditGrid(int column, const QString& text, qint32 id, const CallListModel& list);

    // Deletes the calls of the selected rows (asked first while ConfirmDeletion is on). Their IDs are
    // read before the question, so a call that arrives or a list read again while the box or the progress
    // window waits cannot shift a row onto the wrong record; when one of them was deleted meanwhile (by a
    // client), or another log was opened meanwhile, the user is told and nothing is deleted. Nothing is done while a
    // call rings. The records that went are deletedIDs(): their rows are to go by ID, since rows may have moved
    // meanwhile.
    Removal DeleteSelected(const CallListModel& list);
    const std::vector<qint64>& deletedIDs() const { return m_deleted; }
    // Deletes every call of the view query sql (asked first while ConfirmDeletion is on); true when they
    // went, and then deletedIDs() are their rows to go. The view is read before the question: a call that
    // comes in while the box waits stays (in the log and in the list), and when a call of the view was
    // deleted meanwhile, or another log was opened meanwhile, the user is told and nothing is deleted. Nothing is done
    // while a call rings or when the list is empty.
    bool ClearView(const QString& sql, const CallListModel& list);

    // Asks for a file name until a new call log is made there (or the user gives up); true when it is the
    // log in use now: the setting points at it and the event list says so. The host reads the view again.
    // While a call rings (also one that began while the dialog waited) the log is not replaced: the user is
    // told, and nothing changes.
    bool NewDB();
    // Asks for a file until one opens as a call log (or the user gives up). A file that is missing, is the
    // contact book, or is no call log is refused and the log in use stays open and named. Not while a call
    // rings, as for NewDB.
    bool ChangeDB();

    // The end of every change of the call log: the clients hear their data is stale (broadcast), then
    // logChanged (the pop-up reloads, the main window takes the focus).
    void LogChanged();

Q_SIGNALS:
    void callerEdited(const clsCaller& stored);
    // A message for every connected client.
    void broadcast(const QString& message);
    void logChanged();

private:
    bool confirmRemoval(bool plural) const;
    void useCallerDB(const QString& event, const QString& path);

    std::vector<qint64> m_deleted;
};

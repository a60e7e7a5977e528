#include "mainwindow/CallLogCommands.h"

#include <limits>
#include <optional>

#include <QFileInfo>
#include <QPointer>

#include "core/ChangedMeanwhile.h"
#include "core/Globals.h"
#include "core/Processing.h"
#include "core/ProgramLinks.h"
#include "core/RecordFields.h"
#include "core/SettingsKeys.h"
#include "core/StoreLocks.h"
#include "core/modCallerDB.h"
#include "core/modContactDB.h"
#include "core/modError.h"
#include "core/modMain.h"
#include "core/modProperties.h"
#include "mainwindow/CallListModel.h"
#include "mainwindow/GridEditRules.h"
#include "platform/DateText.h"
#include "platform/ProgramFolder.h"
#include "platform/Prompt.h"
#include "platform/SqlError.h"

namespace {

const QString kLogFilter = QStringLiteral("Access Files (*.mdb)");
const QString kSource = QStringLiteral("frmBaseMain");

QString currentCallerDBPath()
{
    return GetProperty(Section::frmConfiguration, Key::CallerDBPath, programFolder() + QStringLiteral("/dbCID.mdb"));
}

// The contact book must not be taken for the call log, however its name is written.
bool sameFile(const QString& a, const QString& b)
{
    const QString canonical = QFileInfo(a).canonicalFilePath();
    return a.toUpper() == b.toUpper() || (!canonical.isEmpty() && canonical == QFileInfo(b).canonicalFilePath());
}

// The ID in a row's hidden ID column, or nothing when the cell holds no record number.
std::optional<qint32> rowID(const CallListModel& list, int row)
{
    bool ok = false;
    const qint64 id = list.textMatrix(row, CallListModel::ColID).trimmed().toLongLong(&ok);
    if (!ok || id <= 0 || id > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return qint32(id);
}

QString byID(qint64 id) { return QStringLiteral("Select * From tblCID Where ID = ") + QString::number(id); }

void keep(const SqlError& e, const char* tag)
{
    SaveError(e.code(), e.message(), kSource);
    ReportError(QString::fromLatin1(tag));
}

void keepTypeMismatch(const char* tag)
{
    SaveError(kTypeMismatchError, QStringLiteral("Type mismatch"), kSource);
    ReportError(QString::fromLatin1(tag));
}

// A ringing call keeps the ID of its record in the log in use, and each ring rewrites that record: the log
// is not replaced under it, or the next ring would rewrite whatever record of the other file has that ID. A
// call may well have begun while the file dialog waited.
bool refusedWhileRinging()
{
    if (!gRinging)
        return false;
    Prompt::message(QStringLiteral("A call is ringing: the call log cannot be changed until it has ended. Nothing "
                                   "was changed."),
                    Prompt::OkOnly, Prompt::Exclamation);
    return true;
}

// A long task may be reading or deleting calls of the log in use: it is not replaced or emptied under it.
bool refusedWhileBusy(const QString& cannot = QStringLiteral("the call log cannot be changed"))
{
    return LongTask::refuse(cannot);
}

} // namespace

CallLogCommands::CallLogCommands(QObject* parent) : QObject(parent) {}

// --- editing -----------------------------------------------------------------------------------------------

void CallLogCommands::EditGrid(int column, const QString& text, qint32 id, const CallListModel& list)
{
    const bool confirm =
        textToBool(GetProperty(Section::frmConfiguration, Key::ConfirmDeletion, QStringLiteral("True")));
    // The key is a number, whichever way it came: the list's ID cell is never pasted into the query. It is
    // read before the question: while the box waits a call may come in or the list be read again, and the
    // selected row then shows another call.
    qint64 key = id;
    QString shownName;
    QString shownDate;
    if (id == -1) {
        bool ok = false;
        const int row = list.rowSel();
        key = list.textMatrix(row, CallListModel::ColID).trimmed().toLongLong(&ok);
        if (!ok || key <= 0 || key > std::numeric_limits<qint32>::max())
            return;
        shownName = list.textMatrix(row, CallListModel::ColName);
        shownDate = list.textMatrix(row, CallListModel::ColDate);
    }
    // The question, and the box of a log that cannot be written, let the program end while they wait.
    const QPointer<CallLogCommands> self(this);
    if (confirm && id == -1) {
        if (Prompt::message(QStringLiteral("Are you sure you want to permanently edit the original caller id "
                                           "information?"),
                            Prompt::YesNo, Prompt::Exclamation) != Prompt::Yes ||
            !self)
            return;
        try {
            if (!MissingCallers({qint32(key)}).isEmpty()) {
                ChangedMeanwhile::say(ChangedMeanwhile::call(shownName, shownDate));
                return;
            }
        } catch (const SqlError& e) {
            keep(e, "frmBaseMain_EditGrid");
            return;
        }
    }
    if (!gCallerDB)
        return;
    QList<clsCaller> found;
    try {
        found = SelectCallers(byID(key));
    } catch (const SqlError& e) {
        keep(e, "frmBaseMain_EditGrid");
    }
    if (found.isEmpty())
        return;
    clsCaller caller = found.first();
    // A client's edit has passed no editor: the field takes only what the editor would let through (a
    // separator in a name would break the record's text form for every client), in the editor's form.
    std::optional<QString> value = text;
    if (column >= CallListModel::ColName && column <= CallListModel::ColAnswered)
        value = GridEditRules::accept(column, text);
    bool valid = value.has_value();
    if (valid) {
        switch (column) {
        case CallListModel::ColName:
            caller.Name = *value;
            break;
        case CallListModel::ColNumber:
            caller.Number.Number = *value;
            break;
        case CallListModel::ColDate:
            if (const auto date = DateText::parse(*value))
                caller.CallerDate = DateText::format(*date);
            else
                valid = false;
            break;
        case CallListModel::ColRings:
            valid = RecordFields::toInt32(*value, caller.Rings) == RecordFields::Converted;
            break;
        case CallListModel::ColAnswered:
            caller.Answered = *value;
            break;
        default:
            break;
        }
    }
    if (!valid) {
        keepTypeMismatch("frmBaseMain_EditGrid");
        return;
    }
    if (!EditCaller(caller.ID, caller)) {
        // A box for the user's own edit; a notice under a client's (ReportWithoutWaiting).
        ShowError(QString());
        return;
    }
    QList<clsCaller> saved;
    try {
        saved = SelectCallers(byID(caller.ID));
    } catch (const SqlError& e) {
        keep(e, "frmBaseMain_EditGrid");
        return;
    }
    if (saved.isEmpty())
        return;
    clsCaller stored = saved.first();
    MatchCallerToContact(stored.Number.Number, stored);
    Q_EMIT callerEdited(stored);
    if (gNetworkMode == Server)
        Q_EMIT broadcast(QStringLiteral(";EDIT CALLER;") + stored.PrintSend() + QStringLiteral(";"));
}

// --- deleting ----------------------------------------------------------------------------------------------

bool CallLogCommands::confirmRemoval(bool plural) const
{
    if (!textToBool(GetProperty(Section::frmConfiguration, Key::ConfirmDeletion, QStringLiteral("True"))))
        return true;
    const QString text = plural ? QStringLiteral("Are you sure you want to permanently remove these records from "
                                                 "the database?")
                                : QStringLiteral("Are you sure you want to permanently remove this record from "
                                                 "the database?");
    return Prompt::message(text, Prompt::YesNo, Prompt::Exclamation) == Prompt::Yes;
}

CallLogCommands::Removal CallLogCommands::DeleteSelected(const CallListModel& list)
{
    m_deleted.clear();
    if (gRinging || list.rows() == 1)
        return Removal::Nothing;
    const int first = std::min(list.row(), list.rowSel());
    const int last = std::max(list.row(), list.rowSel());
    if (first < 1)
        return Removal::Nothing;
    // The selected calls are taken by their IDs before the question: while the box waits a call may come in,
    // another client may delete one of them, the list may be read again, and the selection then covers
    // other calls.
    QList<qint32> ids;
    QStringList shown;
    for (int row = first; row <= last; ++row) {
        const std::optional<qint32> id = rowID(list, row);
        if (!id) {
            keepTypeMismatch("frmBaseMain_mnuEditDelete_Click");
            return Removal::Nothing;
        }
        ids.append(*id);
        shown.append(ChangedMeanwhile::call(list.textMatrix(row, CallListModel::ColName),
                                            list.textMatrix(row, CallListModel::ColDate)));
    }
    // The IDs name calls of the log open now: another log opened while the question waits has its own calls
    // under the same IDs, and none of them goes.
    const quint64 log = CallerDBGeneration();
    const QPointer<CallLogCommands> self(this);
    if (!confirmRemoval(first != last) || !self)
        return Removal::Nothing;
    if (CallerDBGeneration() != log) {
        ChangedMeanwhile::say(shown.first());
        return Removal::Nothing;
    }
    try {
        // A call gone meanwhile means the user agreed to a set that is no longer there: nothing is deleted.
        const QList<qint32> missing = MissingCallers(ids);
        if (!missing.isEmpty()) {
            ChangedMeanwhile::say(shown.value(ids.indexOf(missing.first())));
            return Removal::Nothing;
        }
    } catch (const SqlError& e) {
        keep(e, "frmBaseMain_mnuEditDelete_Click");
        return Removal::Nothing;
    }
    std::vector<qint64> deleted;
    bool stopped = false;
    try {
        if (ids.size() == 1) {
            // Gone from the log either way (a record deleted meanwhile has no row to keep).
            DeleteCaller(ids.first());
            deleted.push_back(ids.first());
        } else {
            Processing progress(qint32(ids.size()), QStringLiteral("Processing..."), parent());
            const auto sayLeft = [&] {
                Program::sayUnfinished(QStringLiteral("%1 of %2 calls were not deleted")
                                           .arg(ids.size() - qsizetype(deleted.size()))
                                           .arg(ids.size()));
            };
            for (qint32 id : ids) {
                if (progress.StopProcessing() || CallerDBGeneration() != log) {
                    stopped = true;
                    // Stopped for the program's end or a mode switch: the user is not there to see the list.
                    if (Program::ending())
                        sayLeft();
                    break;
                }
                progress.Increment();
                // The step let the program end (a second signal does not wait for the deletion): the log is
                // closed, and nobody is left to tell but the activity log.
                if (!self || CallerDBGeneration() != log) {
                    if (Program::ending())
                        sayLeft();
                    if (!self)
                        return Removal::Nothing;
                    stopped = true;
                    break;
                }
                // One statement a record: the records deleted before a stop stay deleted.
                DeleteCaller(id);
                deleted.push_back(id);
            }
        }
    } catch (const SqlError& e) {
        keep(e, "frmBaseMain_mnuEditDelete_Click");
        m_deleted = std::move(deleted);
        // The records deleted before the failure stay deleted and their rows must go.
        return m_deleted.empty() ? Removal::Nothing : Removal::Stopped;
    }
    m_deleted = std::move(deleted);
    return stopped ? Removal::Stopped : Removal::Removed;
}

bool CallLogCommands::ClearView(const QString& sql, const CallListModel& list)
{
    m_deleted.clear();
    // A list being refilled shows nothing yet, but its view is not empty: the user is told why nothing happens.
    if (gRinging || refusedWhileBusy(QStringLiteral("the call log cannot be cleared")) || list.rows() == 1)
        return false;
    // The view's calls are read before the question: a call that comes in while the box waits belongs to the
    // view's period as well, but the user never saw it and never agreed to lose it. The calls then go by
    // their IDs, so the view text never runs on the connection that writes.
    QList<clsCaller> calls;
    // The calls are those of the log open now; another log opened while the question waits keeps its own.
    const quint64 log = CallerDBGeneration();
    try {
        calls = SelectCallers(sql);
    } catch (const SqlError& e) {
        keep(e, "frmBaseMain_mnuEditClear_Click");
        return false;
    }
    const QPointer<CallLogCommands> self(this);
    if (!confirmRemoval(list.rows() > 2) || !self || refusedWhileBusy(QStringLiteral("the call log cannot be cleared")))
        return false;
    if (CallerDBGeneration() != log) {
        if (!calls.isEmpty())
            ChangedMeanwhile::say(ChangedMeanwhile::call(calls.first().Name, calls.first().CallerDate));
        return false;
    }
    try {
        QList<qint32> ids;
        for (const clsCaller& c : std::as_const(calls))
            ids.append(c.ID);
        const QList<qint32> missing = MissingCallers(ids);
        if (!missing.isEmpty()) {
            const clsCaller& gone = calls.at(ids.indexOf(missing.first()));
            ChangedMeanwhile::say(ChangedMeanwhile::call(gone.Name, gone.CallerDate));
            return false;
        }
        DeleteCallers(ids);
        m_deleted.assign(ids.cbegin(), ids.cend());
    } catch (const SqlError& e) {
        keep(e, "frmBaseMain_mnuEditClear_Click");
        return false;
    }
    return true;
}

// --- the log file ------------------------------------------------------------------------------------------

void CallLogCommands::useCallerDB(const QString& event, const QString& path)
{
    SaveProperty(Section::frmConfiguration, Key::CallerDBPath, path);
    AddEvent(event + QFileInfo(path).fileName());
}

bool CallLogCommands::NewDB()
{
    // Every box below lets the program end meanwhile (this goes with the main window): then nothing more is
    // made or named.
    const QPointer<CallLogCommands> self(this);
    if (refusedWhileBusy())
        return false;
    QString path = currentCallerDBPath();
    for (;;) {
        path = Prompt::saveFile(QString(), path, kLogFilter);
        // A task may have begun while the dialog waited (a client's request).
        if (path.isEmpty() || !self || refusedWhileRinging() || refusedWhileBusy())
            return false;
        try {
            if (CreateCallerDB(path))
                break;
        } catch (const SqlError& e) {
            // The log in use stays open: the new file never replaced it.
            keep(e, "frmBaseMain_mnuFileNewDB_Click");
            const QString said = StoreLocks::isRefusal(e) ? e.message() + QStringLiteral(". Choose another file name.")
                                                          : path + QStringLiteral(" could not be created. Choose "
                                                                                  "another file name.");
            if (Prompt::message(said, Prompt::OkCancel, Prompt::Critical) != Prompt::Ok || !self)
                return false;
            continue;
        }
        if (Prompt::message(QStringLiteral("This file name already exits. Choose another file name."), Prompt::OkCancel,
                            Prompt::Critical) != Prompt::Ok ||
            !self)
            return false;
    }
    useCallerDB(QStringLiteral("Created and loaded new caller database "), path);
    return true;
}

bool CallLogCommands::ChangeDB()
{
    const QPointer<CallLogCommands> self(this);
    if (refusedWhileBusy())
        return false;
    QString path = currentCallerDBPath();
    for (;;) {
        path = Prompt::openFile(QString(), path, kLogFilter);
        if (path.isEmpty() || !self || refusedWhileRinging() || refusedWhileBusy())
            return false;
        // Said after the path, or whole.
        QString refusal;
        QString said;
        if (!QFileInfo::exists(path)) {
            refusal = QStringLiteral(" is not a valid database file. Choose another file.");
        } else if (sameFile(path, GetProperty(Section::frmConfiguration, Key::ContactDBPath, defaultContactDBPath()))) {
            refusal = QStringLiteral(" is already loaded. Choose another file.");
        } else {
            // The file is opened before the setting moves to it: a file that is no call log leaves the log
            // in use open and named, and the user may choose again.
            const QString previous = currentCallerDBPath();
            SaveProperty(Section::frmConfiguration, Key::CallerDBPath, path);
            try {
                if (FindCallerDB())
                    break;
            } catch (const SqlError& e) {
                SaveError(e.code(), e.message(), kSource);
                // Another copy's log is sound: it is said as it is.
                if (StoreLocks::isRefusal(e))
                    said = e.message() + QStringLiteral(". Choose another file.");
            }
            SaveProperty(Section::frmConfiguration, Key::CallerDBPath, previous);
            refusal = QStringLiteral(" is not a valid database file. Choose another file.");
        }
        if (Prompt::message(said.isEmpty() ? path + refusal : said, Prompt::OkCancel, Prompt::Critical) != Prompt::Ok ||
            !self)
            return false;
    }
    useCallerDB(QStringLiteral("Loaded caller database "), path);
    return true;
}

void CallLogCommands::LogChanged()
{
    Q_EMIT broadcast(QStringLiteral(";UPDATE NEEDED;"));
    Q_EMIT logChanged();
}

#include "core/modCallerDB.h"

#include <limits>
#include <optional>

#include <QCoreApplication>
#include <QFileInfo>

#include "core/Globals.h"
#include "core/SettingsKeys.h"
#include "core/StoreLocks.h"
#include "core/modError.h"
#include "core/modProperties.h"
#include "platform/DateText.h"
#include "platform/ProgramFolder.h"
#include "platform/SqlDatabase.h"
#include "platform/SqlError.h"
#include "platform/SqlTransaction.h"

#include <sqlite3.h>

std::unique_ptr<SqlDatabase> gCallerDB;

namespace {

std::unique_ptr<SqlDatabase> g_reader;
const SqlDatabase* g_readerFor = nullptr;

const QString kSource = QStringLiteral("SQLite");

// Text columns compare without regard to case and accept the empty text. The sizes document the fields;
// SQLite keeps longer text rather than refusing a call.
const char kCreateTable[] = "CREATE TABLE IF NOT EXISTS tblCID ("
                            "ID INTEGER PRIMARY KEY AUTOINCREMENT, "
                            "fldName TEXT(50) COLLATE NOCASE, "
                            "fldNumber TEXT(50) COLLATE NOCASE, "
                            "fldDate DATETIME, "
                            "fldRings INTEGER, "
                            "fldAnswered TEXT(50) COLLATE NOCASE)";

// Statistics and period views are range scans over fldDate.
const char kCreateDateIndex[] = "CREATE INDEX IF NOT EXISTS idxCIDDate ON tblCID (fldDate)";

QString defaultCallerDBPath() { return programFolder() + QStringLiteral("/dbCID.mdb"); }

QDateTime zeroDateTime() { return QDateTime(DateText::zeroDate(), QTime(0, 0), Qt::UTC); }

bool g_checkpointDue = false;
quint64 g_generation = 0;

// The call written last, as the call road writes it again at every ring and line: its date needs no second
// parse, and a rewrite that keeps it leaves the date index alone (one page written instead of two).
struct WrittenCall {
    qint32 id = 0;
    QString date; // the record's date text
    QString iso;  // as stored
};
WrittenCall g_written;

// Called by SQLite after each commit with the pages the write-ahead file now holds. It replaces SQLite's
// own checkpoint, which would run inside that commit, before the caller has told anyone of the change.
int walCommitted(void*, sqlite3*, const char*, int frames)
{
    if (frames < CheckpointFrames || g_checkpointDue)
        return SQLITE_OK;
    g_checkpointDue = true;
    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        return SQLITE_OK;
    QMetaObject::invokeMethod(
        app,
        [] {
            if (!gRinging)
                CheckpointCallerDB();
        },
        Qt::QueuedConnection);
    return SQLITE_OK;
}

void useLog(std::unique_ptr<SqlDatabase> db)
{
    sqlite3_wal_hook(db->handle(), walCommitted, nullptr);
    g_checkpointDue = false;
    g_written = WrittenCall{};
    gCallerDB = std::move(db);
    ++g_generation;
}

void resetReader()
{
    g_reader.reset();
    g_readerFor = nullptr;
}

SqlDatabase& openLog()
{
    if (!gCallerDB)
        throw SqlError(SqlError::Kind::BadSql, SQLITE_MISUSE, QStringLiteral("No call log is open."));
    return *gCallerDB;
}

QString storedDate(const clsCaller& caller)
{
    if (!g_written.date.isNull() && caller.CallerDate == g_written.date)
        return g_written.iso;
    const auto date = DateText::parse(caller.CallerDate);
    if (!date) {
        throw SqlError(SqlError::Kind::BadSql, SQLITE_MISMATCH,
                       QStringLiteral("\"%1\" is not a date and time.").arg(caller.CallerDate));
    }
    return DateText::toIso(*date);
}

// The general date text of a stored fldDate, as DateText::format gives it.
QString generalDate(const QString& stored)
{
    char16_t buffer[DateText::StoredToGeneralMax];
    const int n = DateText::storedToGeneral(stored, buffer);
    if (n >= 0)
        return QString(reinterpret_cast<const QChar*>(buffer), n);
    const auto date = DateText::fromIso(stored);
    return date ? DateText::format(*date) : stored;
}

// The oldest or newest stored date; nothing for an empty log, a failed query and in client mode.
std::optional<QDateTime> boundaryDate(const char* sql)
{
    if (isClientMode())
        return std::nullopt;
    try {
        SqlStatement st = openLog().prepare(QString::fromLatin1(sql));
        if (st.step() && !st.isNull(0))
            return DateText::fromIso(st.text(0));
    } catch (const SqlError& e) {
        SaveError(e.code(), e.message(), kSource);
    }
    return std::nullopt;
}

} // namespace

namespace {

void makeWhole(SqlDatabase& db)
{
    SqlTransaction tx(db);
    db.exec(QString::fromLatin1(kCreateTable));
    db.exec(QString::fromLatin1(kCreateDateIndex));
    tx.commit();
}

} // namespace

bool FindCallerDB()
{
    if (isClientMode())
        return false;
    const QString path = GetProperty(Section::frmConfiguration, Key::CallerDBPath, defaultCallerDBPath());
    if (path.isEmpty() || !QFileInfo::exists(path))
        return false;
    StoreLocks::Opening opening(path);
    // Decided before anything is written: a file refused here (no call log, damaged, no file at all) is left
    // exactly as it was. One without any table (a start killed while making it, a file made empty) is a
    // call log still to be made.
    const SqlDatabase::Holds holds = SqlDatabase::lookAt(path, {QStringLiteral("tblCID")}, true);
    auto db = std::make_unique<SqlDatabase>(path, SqlDatabase::Mode::ReadWrite);
    db->checkWritable();
    if (holds == SqlDatabase::Holds::NoTables)
        makeWhole(*db);
    // Fails on a file that is not a call log, before it replaces the open one.
    db->exec(QString::fromLatin1(kCreateDateIndex));
    if (holds == SqlDatabase::Holds::NotLookedAt)
        db->checkIntegrity();
    resetReader();
    useLog(std::move(db));
    opening.done();
    return true;
}

bool CreateCallerDB(const QString& path)
{
    if (isClientMode())
        return false;
    StoreLocks::Opening opening(path);
    auto db = SqlDatabase::createWhole(path, makeWhole);
    if (!db)
        return false;
    resetReader();
    useLog(std::move(db));
    opening.done();
    return true;
}

void AddCaller(clsCaller& caller)
{
    if (isClientMode())
        return;
    try {
        SqlDatabase& db = openLog();
        const QString iso = storedDate(caller);
        SqlTransaction tx(db);
        SqlStatement& st =
            db.cached("INSERT INTO tblCID (fldName, fldNumber, fldDate, fldRings, fldAnswered) VALUES (?, ?, ?, ?, ?)");
        st.bind(1, caller.Name);
        st.bind(2, caller.Number.Number);
        st.bind(3, iso);
        st.bind(4, qint64(caller.Rings));
        st.bind(5, caller.Answered);
        st.exec();
        // The row's own key, whatever other calls share its time.
        const qint64 id = db.lastInsertRowId();
        if (id > std::numeric_limits<qint32>::max()) {
            throw SqlError(SqlError::Kind::BadSql, SQLITE_FULL,
                           QStringLiteral("The call log has used up its record numbers."));
        }
        tx.commit();
        caller.ID = qint32(id);
        g_written = WrittenCall{caller.ID, caller.CallerDate, iso};
    } catch (const SqlError& e) {
        SaveError(e.code(), e.message(), kSource);
        ReportError(QStringLiteral("modCallerDB_AddCaller"));
    }
}

bool EditCaller(qint32 ID, const clsCaller& caller)
{
    if (isClientMode())
        return true;
    try {
        SqlDatabase& db = openLog();
        const QString iso = storedDate(caller);
        const bool sameDate = ID == g_written.id && iso == g_written.iso;
        SqlStatement& st =
            sameDate ? db.cached("UPDATE tblCID SET fldName = ?, fldNumber = ?, fldRings = ?, fldAnswered = ? "
                                 "WHERE ID = ?")
                     : db.cached("UPDATE tblCID SET fldName = ?, fldNumber = ?, fldRings = ?, fldAnswered = ?, "
                                 "fldDate = ? WHERE ID = ?");
        st.bind(1, caller.Name);
        st.bind(2, caller.Number.Number);
        st.bind(3, qint64(caller.Rings));
        st.bind(4, caller.Answered);
        if (sameDate) {
            st.bind(5, qint64(ID));
        } else {
            st.bind(5, iso);
            st.bind(6, qint64(ID));
        }
        st.exec();
        if (db.changes() == 0) {
            // A call that was never stored or has been deleted meanwhile: nothing to rewrite.
            SaveError(kNoCurrentRecordError, QStringLiteral("No current record."), kSource);
            return true;
        }
        g_written = WrittenCall{ID, caller.CallerDate, iso};
        return true;
    } catch (const SqlError& e) {
        SaveError(e.code(), e.message(), kSource);
        ReportError(QStringLiteral("modCallerDB_EditCaller"));
    }
    return false;
}

// Exact bounds: a search "from the beginning" to "the end" of the log compares inclusively against them, so
// the oldest and the newest call are both taken in.
QDateTime GetFirstCallDate()
{
    const auto first = boundaryDate("SELECT min(fldDate) FROM tblCID");
    return first ? *first : zeroDateTime();
}

QDateTime GetLastCallDate()
{
    const auto last = boundaryDate("SELECT max(fldDate) FROM tblCID");
    return last ? *last : zeroDateTime();
}

SqlDatabase* CallerDBReader()
{
    if (isClientMode() || !gCallerDB)
        return nullptr;
    if (!g_reader || g_readerFor != gCallerDB.get() || g_reader->path() != gCallerDB->path()) {
        resetReader();
        g_reader = std::make_unique<SqlDatabase>(gCallerDB->path(), SqlDatabase::Mode::ReadOnly);
        g_readerFor = gCallerDB.get();
    }
    return g_reader.get();
}

std::unique_ptr<SqlDatabase> OpenCallerDBReader()
{
    if (isClientMode() || !gCallerDB)
        return nullptr;
    return std::make_unique<SqlDatabase>(gCallerDB->path(), SqlDatabase::Mode::ReadOnly);
}

QList<clsCaller> SelectCallers(const QString& jetSql, qint64 maxTextBytes)
{
    QList<clsCaller> callers;
    ForEachCaller(
        jetSql, [&callers](const clsCaller& caller) { callers << caller; }, maxTextBytes);
    return callers;
}

void ForEachCaller(const QString& jetSql, const std::function<void(const clsCaller&)>& visit, qint64 maxTextBytes,
                   SqlDatabase* reader, QuerySource source)
{
    if (!reader)
        reader = CallerDBReader();
    if (!reader)
        return;
    SqlStatement st = reader->prepareJet(jetSql, source);
    qint64 textBytes = 0;
    enum Field { ID, Name, Number, Date, Rings, Answered, Other };
    QList<Field> fields;
    for (int c = 0; c < st.columnCount(); ++c) {
        const QString name = st.columnName(c).toLower();
        fields << (name == QLatin1String("id")            ? ID
                   : name == QLatin1String("fldname")     ? Name
                   : name == QLatin1String("fldnumber")   ? Number
                   : name == QLatin1String("flddate")     ? Date
                   : name == QLatin1String("fldrings")    ? Rings
                   : name == QLatin1String("fldanswered") ? Answered
                                                          : Other);
    }
    while (st.step()) {
        if (maxTextBytes > 0) {
            // Measured before any text is made of the row: one value may be gigabytes.
            for (int c = 0; c < fields.size(); ++c)
                if (fields[c] != Other && fields[c] != ID && fields[c] != Rings)
                    textBytes += sqlite3_column_bytes(st.handle(), c);
            if (textBytes > maxTextBytes)
                throw SqlError(SQLITE_TOOBIG, QStringLiteral("The answer holds more than %1 MB of text: ask for "
                                                             "fewer calls.")
                                                  .arg(maxTextBytes / (1024 * 1024)));
        }
        clsCaller caller;
        for (int c = 0; c < fields.size(); ++c) {
            switch (fields[c]) {
            case ID:
                caller.ID = qint32(st.int64(c));
                break;
            case Name:
                caller.Name = st.text(c);
                break;
            case Number:
                caller.Number.Number = st.text(c);
                break;
            case Date:
                caller.CallerDate = generalDate(st.text(c));
                break;
            case Rings:
                caller.Rings = qint32(st.int64(c));
                break;
            case Answered:
                caller.Answered = st.text(c);
                break;
            case Other:
                break;
            }
        }
        visit(caller);
    }
}

qint64 CountCallers(const QString& jetSql)
{
    SqlDatabase* reader = CallerDBReader();
    if (!reader)
        return 0;
    SqlStatement st = reader->prepareQuery(jetSql);
    qint64 rows = 0;
    while (st.step())
        ++rows;
    return rows;
}

qint64 DeleteCallers(const QList<qint32>& IDs)
{
    if (isClientMode() || IDs.isEmpty())
        return 0;
    SqlDatabase& db = openLog();
    SqlTransaction tx(db);
    SqlStatement st = db.prepare(QStringLiteral("DELETE FROM tblCID WHERE ID = ?"));
    qint64 deleted = 0;
    for (qint32 id : IDs) {
        st.bind(1, qint64(id));
        st.exec();
        deleted += db.changes();
        st.reset();
    }
    tx.commit();
    return deleted;
}

QList<qint32> MissingCallers(const QList<qint32>& IDs)
{
    QList<qint32> missing;
    if (isClientMode() || IDs.isEmpty() || !gCallerDB)
        return missing;
    SqlStatement& st = gCallerDB->cached("SELECT 1 FROM tblCID WHERE ID = ?");
    for (qint32 id : IDs) {
        st.bind(1, qint64(id));
        if (!st.step())
            missing << id;
        st.reset();
    }
    return missing;
}

void CloseCallerDB()
{
    resetReader();
    gCallerDB.reset();
    g_checkpointDue = false;
    g_written = WrittenCall{};
    ++g_generation;
}

quint64 CallerDBGeneration() { return g_generation; }

void CheckpointCallerDB()
{
    if (g_checkpointDue)
        SettleCallerDB();
}

void SettleCallerDB()
{
    if (!gCallerDB)
        return;
    g_checkpointDue = false;
    sqlite3* handle = gCallerDB->handle();
    int inFile = 0;
    int copied = 0;
    // Passive: it copies what no reader still needs and never waits for one.
    if (sqlite3_wal_checkpoint_v2(handle, nullptr, SQLITE_CHECKPOINT_PASSIVE, &inFile, &copied) != SQLITE_OK ||
        inFile <= 0 || copied != inFile)
        return;
    // Everything is in the log, so the next write starts the write-ahead file over, and waits for the disk to
    // hold the file's new header before it goes on. A write that changes nothing (the version number put
    // back as it is) takes that wait now, between calls, instead of in the next call's first write.
    try {
        qint64 version = 0;
        {
            SqlStatement st = gCallerDB->prepare(QStringLiteral("PRAGMA user_version"));
            if (st.step())
                version = st.int64(0);
        }
        gCallerDB->exec(QStringLiteral("PRAGMA user_version = %1").arg(version));
    } catch (const SqlError& e) {
        SaveError(e.code(), e.message(), kSource);
    }
}

#pragma once

#include "platform/QuerySource.h"
#include "platform/SqlStatement.h"

#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

struct sqlite3;
namespace SQLite {
class Database;
}

// One connection to an SQLite file, the layer every store of the program uses instead of a recordset.
//  - Opening sets WAL (where the file allows it), synchronous=NORMAL and foreign keys off, and registers the
//    Jet-dialect functions of JetSql (like, Now, Year, UCase, ...) on the connection.
//  - Internal statements are trusted SQLite text with bound parameters: prepare(), exec().
//  - Text typed by a user or sent by a peer goes through prepareUntrusted() only, on a ReadOnly connection.
//  - Every call that fails throws SqlError.
// Not copyable; statements must not outlive their connection.
class SqlDatabase {
public:
    enum class Mode {
        ReadWrite,       // an existing file, read and written
        ReadWriteCreate, // as ReadWrite, making the file when it does not exist
        ReadOnly,        // an existing file, never written through this connection
        // An existing file read as it lies on the disk, to decide about it before it is opened to be written:
        // nothing is written, locked or made beside it (no write-ahead or shared-memory file). What a writer
        // left beside it (a write-ahead file, a journal) is not read: see lookAt.
        Inspect,
    };

    SqlDatabase(const QString& path, Mode mode);
    // A connection that writes, closed while readers of its file are still open in this process, stays open
    // (unusable, its owner gone) until the last of them has closed: a reader that closes last leaves the
    // write-ahead and shared-memory files beside the store, since only a writer can fold them into it.
    ~SqlDatabase();
    SqlDatabase(const SqlDatabase&) = delete;
    SqlDatabase& operator=(const SqlDatabase&) = delete;

    // A path that is no file (a folder, a named pipe, a device, a link that leads nowhere) is never opened:
    // SQLite would wait on a pipe for ever. Nor is a file beside which its journal, write-ahead or
    // shared-memory file is no plain file, since SQLite opens those itself. The SqlError then says what stands
    // there (PlainFile::notAFile; "….mdb-journal beside it is a named pipe (FIFO), not a file").

    // What a file about to be opened as a store holds, found without changing it (Mode::Inspect), so a file
    // the program refuses is left exactly as it was. Throws SqlError when it is no file, holds no database, is
    // damaged, cannot be written, or lacks one of tables; a file with no table at all (zero bytes, a bare
    // header) is NoTables when emptyWelcome, else it lacks the tables. A writer that ended without closing
    // the file left its latest writes beside it: such a file is NotLookedAt, since only a connection that
    // writes puts the two together; its checks are the caller's once it is open.
    enum class Holds { Tables, NoTables, NotLookedAt };
    static Holds lookAt(const QString& path, const QStringList& tables, bool emptyWelcome);

    // Makes a new database file at path whole before it takes its name: build runs in one transaction on a
    // file beside it, which is closed, synced and then renamed to path, so no crash leaves a file there
    // without what build makes. That file's name ("dbCID.mdb.new") is the program's own: whatever stands there
    // is taken over, or the next free name is used. A journal or write-ahead file left beside path without
    // its file goes. nullptr, making nothing, when something is at path already (a link that leads nowhere
    // among them); throws SqlError, naming the file and why, when the file cannot be made (nothing is then
    // left at path). The result is opened ReadWrite.
    static std::unique_ptr<SqlDatabase> createWhole(const QString& path,
                                                    const std::function<void(SqlDatabase&)>& build);

    // A path naming a private in-memory database that every connection opened on the same name shares while
    // at least one of them is open (tests, scratch data).
    static QString memoryPath(const QString& name);

    // The process ends through exit() from inside its work (a library's, while a reader of its own waits in a
    // give-way): every connection still open is closed now, its statements finalized, so that nothing is left
    // beside the files. The objects stay, closed: nothing may use them afterwards, and destroying one is harmless.
    static void closeEveryConnection();

    QString path() const { return m_path; }
    Mode mode() const { return m_mode; }
    bool isReadOnly() const { return m_mode == Mode::ReadOnly; }
    sqlite3* handle() const;

    // Runs trusted SQLite text (one or more statements, no parameters).
    void exec(const QString& sql);
    // Prepares one trusted SQLite statement.
    SqlStatement prepare(const QString& sql);
    // One trusted statement kept prepared for the connection's life, ready at each call (reset, bindings
    // cleared): for writes that run at every line of a call, where preparing anew costs more than the write.
    // The reference holds until the connection closes; a statement that does not prepare is not kept.
    SqlStatement& cached(const char* sql);
    // Prepares query text of the Jet dialect that came from a peer: translated by JetSql, exactly one
    // statement, reading only (sqlite3_stmt_readonly, no pragma, attach or transaction), on a ReadOnly
    // connection, run under the connection's time budget and the bounds below, which hold while it is prepared
    // and while it steps, never for the connection's other statements. Anything else throws a SqlError that
    // says why.
    SqlStatement prepareUntrusted(const QString& jetText);
    // The same checks for the user's own query text, which is not bounded beyond the connection's time budget:
    // the user's list shows whatever the log holds.
    SqlStatement prepareQuery(const QString& jetText);
    SqlStatement prepareJet(const QString& jetText, QuerySource source)
    {
        return source == QuerySource::Peer ? prepareUntrusted(jetText) : prepareQuery(jetText);
    }

    // What one statement of untrusted text may take. No value of the call log comes near a value's bound (a
    // name is at most a modem line or an edit of the same length); SQLite holds each value of a row at once, so
    // the columns bound the row; a GLOB pattern's work grows with its length times the value's. The heap bound
    // is the statement's whole share of SQLite's memory (SqlHeap), from its parse to its end, whatever it
    // holds: values, rows being sorted, temporary tables.
    static constexpr int UntrustedValueBytes = 64 * 1024;
    static constexpr int UntrustedColumns = 100;
    static constexpr int UntrustedPatternBytes = 256;
    static constexpr qint64 UntrustedHeapBytes = 32LL * 1024 * 1024;
    // What the statement's temporary files may hold together (SqlScratch): a sort or grouping too large for
    // its share of the heap goes there.
    static constexpr qint64 UntrustedScratchBytes = 64LL * 1024 * 1024;

    qint64 lastInsertRowId() const;
    int changes() const; // rows changed by the last INSERT, UPDATE or DELETE
    bool tableExists(const QString& table);
    // Reads the whole file once (SQLite's quick check) and throws a SqlError naming the damage when a page
    // is missing or broken: a file cut short opens well and only fails on the first call stored into it.
    void checkIntegrity();
    // Throws when a connection opened to write finds its file cannot be written (the system opens a
    // write-protected file for reading only, and every write would fail later); an Inspect connection asks
    // whether this process may write the file.
    void checkWritable();
    // Throws when the file lacks one of the tables.
    void checkTables(const QStringList& tables);

    // Longest run of one statement, in milliseconds; 0 means no limit. ReadOnly connections start with
    // defaultQueryBudget(), the others with no limit.
    void setTimeBudget(int milliseconds) { m_budgetMs = milliseconds; }
    int timeBudget() const { return m_budgetMs; }
    static void setDefaultQueryBudget(int milliseconds);
    static int defaultQueryBudget();

    // Instead of the time budget: one deadline for everything the connection runs, on a clock of the
    // caller's (so the time between steps counts too), and giveWay called every giveWayMs of it, also from
    // inside a long step. giveWay may run the event loop, but nothing there may use this connection: a
    // watched connection belongs to one reader. A passed deadline, or giveWay saying false, stops the
    // statement as the budget does.
    struct Watch {
        std::function<qint64()> clockMs; // monotonic milliseconds
        qint64 deadlineMs = 0;           // on clockMs; 0: none
        std::function<bool()> giveWay;
        qint64 giveWayMs = 10;
    };
    void setWatch(Watch watch);

    // Work of our own inside one step of a statement (a function of the Jet dialect matching a long value)
    // comes here every little while, as SQLite's own loops come to the progress handler: the running
    // statement's deadline, its give-way and the heap's stretch are looked at. False when the statement is
    // to stop; true when no statement of ours runs on this thread.
    static bool keepWorking();

private:
    friend class SqlStatement;
    SqlStatement prepareJetText(const QString& jetText, QuerySource source);
    // A parse SQLite runs to its end with no look at the clock, on a thread of its own while the watch gives way
    // here; stopped from here when the watch says so. SQLITE_INTERRUPT when it was stopped.
    int parseAside(const std::function<int()>& parse, SqlHeap::Account* account);
    class Aside;
    // The bounds of an untrusted statement on the connection while it lives, the connection's own afterwards.
    class UntrustedLimits {
    public:
        explicit UntrustedLimits(SqlDatabase* owner);
        ~UntrustedLimits();
        UntrustedLimits(const UntrustedLimits&) = delete;
        UntrustedLimits& operator=(const UntrustedLimits&) = delete;

    private:
        SqlDatabase* m_owner;
        sqlite3* m_db;
        int m_length, m_columns, m_pattern;
    };
    // The connection whose statement runs on this thread while it lives (the one before it again after).
    class Running {
    public:
        explicit Running(SqlDatabase* db);
        ~Running();
        Running(const Running&) = delete;
        Running& operator=(const Running&) = delete;

    private:
        SqlDatabase* m_before;
    };
    // Not an in-memory database or a URI: a path in the file system.
    static bool namesAFile(const QString& path);
    void armDeadline(std::chrono::steady_clock::time_point deadline) { m_deadline = deadline; }
    bool watched() const { return m_watch.has_value(); }
    // True when the watched statement is to stop now.
    bool watchSaysStop();
    static int progress(void* self);

    QString m_path;
    Mode m_mode;
    // The file a connection that reads or writes it has open (device, inode), whatever path led to it.
    using FileId = std::pair<quint64, quint64>;
    std::optional<FileId> m_file;
    std::unique_ptr<SQLite::Database> m_db;
    // Looked up by the text as given, without a copy of it.
    struct TextHash {
        using is_transparent = void;
        size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
    };
    // After m_db: finalized before the connection closes.
    std::unordered_map<std::string, SqlStatement, TextHash, std::equal_to<>> m_cached;
    int m_budgetMs = 0;
    std::chrono::steady_clock::time_point m_deadline{};
    std::optional<Watch> m_watch;
    qint64 m_gaveWayAt = 0;
    // The parse running on a thread of its own, which the program's end stops before it closes the connection.
    Aside* m_aside = nullptr;
};

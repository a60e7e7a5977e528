#include "platform/SqlDatabase.h"

#include "platform/DiagnosticLog.h"
#include "platform/JetSql.h"
#include "platform/PlainFile.h"
#include "platform/SqlError.h"
#include "platform/SqlHeap.h"
#include "platform/SqlTransaction.h"

#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QUrl>

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Exception.h>
#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <exception>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

std::atomic<int> g_defaultQueryBudgetMs{3000};

thread_local SqlDatabase* t_running = nullptr;

// Instructions of the virtual machine between two looks at the clock.
constexpr int kProgressInterval = 1000;
// The same for a statement of untrusted text: one instruction may call a function on values of 64 KB, so
// far fewer of them come between two looks.
constexpr int kUntrustedProgressInterval = 64;

// Lets a reader of untrusted text do nothing but read tables and call functions; anything else is refused
// at prepare time and remembered so the error can say why.
struct UntrustedGuard {
    bool peer = false; // the text came from a peer: only boundedFunction may be called
    bool wouldWrite = false;
    bool refused = false;
    QString function; // a function refused by name
};

// SQLite's printf works through a "%.*c" precision of any size one character at a time, after it has given
// up the text as too long: billions of steps inside one value, with no memory taken and no look at the clock.
// The user's own text may call anything else.
bool unboundedFunction(const char* name)
{
    return name && (sqlite3_stricmp(name, "printf") == 0 || sqlite3_stricmp(name, "format") == 0);
}

// What a statement of untrusted text may call. Between two looks at the clock (the progress handler, every
// kUntrustedProgressInterval instructions) it runs at most that many instructions, and each instruction does
// at most one call: so the work between two looks is bounded when every call is, whatever the text names.
// SQLite's own functions below do work at most in proportion to the bytes of their arguments and result, each
// value bounded by UntrustedValueBytes. Ours, and the ones of SQLite's that compare every character of a value
// with every one of another (glob, trim with a set, replace, instr), are JetSql's, which look at the statement
// every few thousand comparisons inside one call. Anything else (printf's "%.*c" writes a billion characters
// after giving up the text as too long, a function of a newer SQLite nobody has looked at) is refused.
bool boundedFunction(const char* name)
{
    static const char* const kBounded[] = {
        // SQLite's own, each one pass over its values
        "abs", "avg", "changes", "char", "coalesce", "concat", "concat_ws", "count", "cume_dist", "current_date",
        "current_time", "current_timestamp", "date", "datetime", "dense_rank", "first_value", "group_concat", "hex",
        "ifnull", "iif", "julianday", "lag", "last_insert_rowid", "last_value", "lead", "length", "likelihood",
        "likely", "lower", "max", "min", "nth_value", "ntile", "nullif", "octet_length", "percent_rank", "quote",
        "random", "randomblob", "rank", "round", "row_number", "sign", "strftime", "string_agg", "substr", "substring",
        "sum", "time", "timediff", "total", "total_changes", "typeof", "unicode", "unixepoch", "unlikely", "upper",
        "zeroblob",
        // ours (JetSql), metered inside one call
        "Date", "Day", "glob", "Hour", "IIf", "InStr", "LCase", "Left", "Len", "like", "ltrim", "Mid", "Minute",
        "Month", "Now", "replace", "Right", "rtrim", "Second", "trim", "UCase", "Weekday", "Year"};
    if (!name)
        return false;
    for (const char* bounded : kBounded) {
        if (sqlite3_stricmp(name, bounded) == 0)
            return true;
    }
    return false;
}

int untrustedAuthorizer(void* data, int action, const char*, const char* name, const char*, const char*)
{
    auto* guard = static_cast<UntrustedGuard*>(data);
    switch (action) {
    case SQLITE_FUNCTION:
        if (guard->peer ? !boundedFunction(name) : unboundedFunction(name)) {
            guard->function = QString::fromUtf8(name);
            return SQLITE_DENY;
        }
        return SQLITE_OK;
    case SQLITE_SELECT:
    case SQLITE_READ:
    case SQLITE_RECURSIVE:
        return SQLITE_OK;
    case SQLITE_INSERT:
    case SQLITE_UPDATE:
    case SQLITE_DELETE:
    case SQLITE_DROP_TABLE:
    case SQLITE_DROP_INDEX:
    case SQLITE_DROP_VIEW:
    case SQLITE_DROP_TRIGGER:
    case SQLITE_CREATE_TABLE:
    case SQLITE_CREATE_INDEX:
    case SQLITE_CREATE_VIEW:
    case SQLITE_CREATE_TRIGGER:
    case SQLITE_ALTER_TABLE:
    case SQLITE_REINDEX:
    case SQLITE_ANALYZE:
        guard->wouldWrite = true;
        return SQLITE_DENY;
    default:
        guard->refused = true;
        return SQLITE_DENY;
    }
}

bool onlyBlanksAndComments(sqlite3* db, const char* tail)
{
    // Preparing the rest yields no statement when it holds only blanks, comments and semicolons.
    sqlite3_stmt* next = nullptr;
    const int rc = sqlite3_prepare_v2(db, tail, -1, &next, nullptr);
    const bool empty = rc == SQLITE_OK && next == nullptr;
    sqlite3_finalize(next);
    return empty;
}

} // namespace

namespace {

// What SQLite keeps beside a database file and opens itself, unasked: the journal on the first read (to see
// whether it is hot, also when the file is in WAL mode), the write-ahead and shared-memory files on the first
// read or write.
const char* const kCompanions[] = {"-journal", "-wal", "-shm"};

// Why the store at path cannot be opened for what stands beside it (opening a named pipe there would wait
// for its other end for ever; SQLite opens none of them through a link, and fails without a word of why);
// empty when each companion is a plain file or none. A store that is a link has them beside the file it leads
// to, where SQLite looks for them.
QString companionCause(const QString& path)
{
    QString store = path;
    QString beside = QStringLiteral("beside it");
    if (const QFileInfo info(path); info.isSymLink() && !info.canonicalFilePath().isEmpty()) {
        store = info.canonicalFilePath();
        beside = QStringLiteral("beside the file it links to");
    }
    for (const char* end : kCompanions) {
        const QString name = store + QLatin1String(end);
        struct stat info = {};
        if (::lstat(QFile::encodeName(name).constData(), &info) != 0 || S_ISREG(info.st_mode))
            continue;
        QString why;
        if (S_ISLNK(info.st_mode)) {
            why = PlainFile::whyLeadsNowhere(name);
            if (why.isEmpty())
                why = QStringLiteral("it is a link, not a file");
        } else {
            why = PlainFile::whyNotAFile(name);
            if (why.isEmpty())
                why = QStringLiteral("it is not a file");
        }
        // "it is a named pipe (FIFO), not a file" said of the file beside it.
        return QStringLiteral("%1 %2 %3").arg(name, beside, why.mid(3));
    }
    return QString();
}

QString systemReason(int code) { return QString::fromLocal8Bit(std::strerror(code)); }

// Why a store at path could not be opened or written, when its disk or its folder stood in the way: SQLite says
// only "unable to open database file", "attempt to write a readonly database", "disk I/O error" or "database or
// disk is full". Empty when neither did. code: SQLite's; systemError: the system's error number of the failure,
// 0 when unknown.
QString whatStoodInTheWay(const QString& path, int code, int systemError)
{
    const int primary = code & 0xff;
    if (primary != SQLITE_CANTOPEN && primary != SQLITE_IOERR && primary != SQLITE_FULL && primary != SQLITE_READONLY &&
        primary != SQLITE_PERM)
        return QString();
    const QString folder = QFileInfo(path).absolutePath();
    const QByteArray encoded = QFile::encodeName(folder);
    struct statvfs disk = {};
    if (systemError == ENOSPC || systemError == EDQUOT || primary == SQLITE_FULL ||
        (primary == SQLITE_IOERR && ::statvfs(encoded.constData(), &disk) == 0 && disk.f_bavail == 0)) {
        return systemError == EDQUOT
                   ? QStringLiteral("the disk holding %1 is full (%2)").arg(folder, systemReason(EDQUOT))
                   : QStringLiteral("the disk holding %1 is full").arg(folder);
    }
    // A writer makes the write-ahead and shared-memory files beside the store, and removes them at its end.
    if (::faccessat(AT_FDCWD, encoded.constData(), W_OK | X_OK, AT_EACCESS) != 0) {
        const int reason = errno;
        return QStringLiteral("its folder %1 cannot be written (%2)").arg(folder, systemReason(reason));
    }
    return QString();
}

// The write-ahead and shared-memory files that a failed opening of the store at path made beside it (they were
// not there before it). An empty write-ahead file holds nothing of the store's, and the shared-memory file only
// an index of it; nobody else has them.
void removeMadeCompanions(const QString& path, bool walBefore, bool shmBefore)
{
    const QString wal = path + QStringLiteral("-wal");
    const QString shm = path + QStringLiteral("-shm");
    const bool walMade = !walBefore && PlainFile::kindOf(wal) == PlainFile::Kind::Plain;
    if (walMade && QFileInfo(wal).size() != 0)
        return;
    if (walMade)
        QFile::remove(wal);
    if (!shmBefore && PlainFile::kindOf(shm) == PlainFile::Kind::Plain)
        QFile::remove(shm);
}

// Every connection open now, so that a process ended from inside its work can close them all. Never destroyed:
// a store held by a global of its own closes after every static of this file has gone at the process's end.
std::mutex& openLock()
{
    static auto* lock = new std::mutex;
    return *lock;
}
std::vector<SqlDatabase*>& openConnections()
{
    static auto* open = new std::vector<SqlDatabase*>;
    return *open;
}

// A connection that writes, closed by its owner while readers of the same file were still open (a client's
// answer or a statistics read under an end that would not wait for it). A reader that closes last cannot
// copy the write-ahead file into the store, and leaves it and the shared-memory file beside it; so the writer
// closes only once the last of those readers has.
struct Lingering {
    std::pair<quint64, quint64> file; // device, inode
    std::unique_ptr<SQLite::Database> connection;
};
std::vector<Lingering>& lingeringWriters()
{
    static auto* lingering = new std::vector<Lingering>;
    return *lingering;
}

} // namespace

SqlDatabase::SqlDatabase(const QString& path, Mode mode) : m_path(path), m_mode(mode)
{
    // Before SQLite starts, which the first connection does: its allocator cannot be wrapped later.
    static const bool heapWrapped = [] {
        const bool wrapped = SqlHeap::install();
        if (!wrapped) {
            DiagnosticLog::write(QStringLiteral("SQLite had started before its allocator could be wrapped: query "
                                                "text runs without its memory bound"));
        }
        return wrapped;
    }();
    Q_UNUSED(heapWrapped);
    if (namesAFile(path)) {
        QString why = PlainFile::whyNotAFile(path);
        if (why.isEmpty())
            why = PlainFile::whyLeadsNowhere(path);
        // Taken as a file nobody changes, an inspected file is opened without them.
        if (why.isEmpty() && mode != Mode::Inspect)
            why = companionCause(path);
        // A store is written, and files are made beside it, only where the program may write (PlainFile::wayTo).
        if (why.isEmpty() && (mode == Mode::ReadWrite || mode == Mode::ReadWriteCreate))
            why = PlainFile::wayTo(path).refusal;
        if (!why.isEmpty())
            throw SqlError(SQLITE_CANTOPEN, why);
    }
    int flags = SQLITE_OPEN_URI;
    std::string name = path.toStdString();
    switch (mode) {
    case Mode::ReadWrite:
        flags |= SQLITE_OPEN_READWRITE;
        break;
    case Mode::ReadWriteCreate:
        flags |= SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
        break;
    case Mode::ReadOnly:
        flags |= SQLITE_OPEN_READONLY;
        break;
    case Mode::Inspect:
        flags |= SQLITE_OPEN_READONLY;
        // Taken as a file nobody changes: SQLite then neither locks it nor looks for (or makes) the files
        // beside it.
        name = (QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString(QUrl::FullyEncoded) +
                QStringLiteral("?immutable=1"))
                   .toStdString();
        break;
    }
    // What a failed opening of a writer made beside the store goes with it: a store in a folder that refuses
    // it, or on a full disk, is left as it was. A store that is a link has them beside the file it leads to.
    const bool writes = (mode == Mode::ReadWrite || mode == Mode::ReadWriteCreate) && namesAFile(path);
    const QString beside = QFileInfo(path).isSymLink() ? QFileInfo(path).canonicalFilePath() : path;
    // A link that leads nowhere was refused above.
    const bool walBefore = writes && PlainFile::kindOf(beside + QStringLiteral("-wal")) != PlainFile::Kind::Missing;
    const bool shmBefore = writes && PlainFile::kindOf(beside + QStringLiteral("-shm")) != PlainFile::Kind::Missing;
    try {
        m_db = std::make_unique<SQLite::Database>(name, flags, 2000);
        sqlite3* h = m_db->getHandle();
        sqlite3_extended_result_codes(h, 1);
        if (mode == Mode::Inspect) {
            m_budgetMs = 0;
        } else if (mode == Mode::ReadOnly) {
            m_budgetMs = g_defaultQueryBudgetMs.load();
            sqlite3_limit(h, SQLITE_LIMIT_ATTACHED, 0);
            // No call-log value comes near this; a query that builds one is not reading the log.
            sqlite3_limit(h, SQLITE_LIMIT_LENGTH, 16 * 1024 * 1024);
        } else {
            // An in-memory database keeps its own journal mode; the pragma then just reports it.
            m_db->exec("PRAGMA journal_mode=WAL");
        }
        if (mode != Mode::Inspect)
            m_db->exec("PRAGMA synchronous=NORMAL; PRAGMA foreign_keys=OFF");
        sqlite3_progress_handler(h, kProgressInterval, &SqlDatabase::progress, this);
        JetSql::registerFunctions(h);
    } catch (const SQLite::Exception& e) {
        const int code = e.getExtendedErrorCode() > 0 ? e.getExtendedErrorCode() : SQLITE_CANTOPEN;
        QString message = QString::fromUtf8(e.what());
        if (writes) {
            const int systemError = m_db ? sqlite3_system_errno(m_db->getHandle()) : 0;
            m_db.reset();
            removeMadeCompanions(beside, walBefore, shmBefore);
            if (const QString cause = whatStoodInTheWay(beside, code, systemError); !cause.isEmpty())
                message = cause;
        }
        throw SqlError(code, message);
    }
    if (mode != Mode::Inspect && namesAFile(path)) {
        struct stat info = {};
        if (::stat(QFile::encodeName(path).constData(), &info) == 0)
            m_file = FileId{quint64(info.st_dev), quint64(info.st_ino)};
    }
    const std::lock_guard<std::mutex> lock(openLock());
    openConnections().push_back(this);
}

SqlDatabase::~SqlDatabase()
{
    m_cached.clear();
    // Closed here, once the lock is let go: the writers whose last reader this was.
    std::vector<Lingering> closing;
    const std::lock_guard<std::mutex> lock(openLock());
    std::vector<SqlDatabase*>& open = openConnections();
    open.erase(std::remove(open.begin(), open.end(), this), open.end());
    if (!m_file || !m_db)
        return;
    const auto readerOfFile = [this](const SqlDatabase* db) {
        return db->m_mode == Mode::ReadOnly && db->m_file == m_file;
    };
    const bool readersLeft = std::any_of(open.begin(), open.end(), readerOfFile);
    if (m_mode != Mode::ReadOnly && readersLeft) {
        lingeringWriters().push_back(Lingering{*m_file, std::move(m_db)});
        return;
    }
    m_db.reset();
    if (readersLeft)
        return;
    std::vector<Lingering>& lingering = lingeringWriters();
    for (auto it = lingering.begin(); it != lingering.end();) {
        if (it->file == *m_file) {
            closing.push_back(std::move(*it));
            it = lingering.erase(it);
        } else {
            ++it;
        }
    }
}

class SqlDatabase::Aside {
public:
    Aside(sqlite3* db, SqlHeap::Account* account) : m_db(db), m_account(account) {}
    // Left by an exception out of the give-way: the parse still stops before its connection can go.
    ~Aside()
    {
        if (m_thread.joinable()) {
            stop();
            join();
        }
    }
    Aside(const Aside&) = delete;
    Aside& operator=(const Aside&) = delete;

    void start(const std::function<int()>& parse)
    {
        m_thread = std::thread([this, &parse] {
            int rc = SQLITE_ERROR;
            std::exception_ptr failure;
            try {
                rc = parse();
            } catch (...) {
                failure = std::current_exception();
            }
            const std::lock_guard<std::mutex> lock(m_lock);
            m_rc = rc;
            m_failure = failure;
            m_done = true;
            m_ended.notify_all();
        });
    }

    // Whether the parse ended within the time given.
    bool wait(std::chrono::milliseconds time)
    {
        std::unique_lock<std::mutex> lock(m_lock);
        return m_ended.wait_for(lock, time, [this] { return m_done; });
    }

    // Asked again until it ends: a stop that comes before SQLite or the heap looks is not lost.
    void stop()
    {
        m_stopped = true;
        while (!wait(std::chrono::milliseconds(0))) {
            sqlite3_interrupt(m_db);
            if (m_account)
                SqlHeap::stop(m_account);
            wait(std::chrono::milliseconds(2));
        }
    }

    void join()
    {
        if (m_thread.joinable())
            m_thread.join();
    }

    int end()
    {
        join();
        if (m_failure)
            std::rethrow_exception(std::exchange(m_failure, nullptr));
        return m_stopped ? SQLITE_INTERRUPT : m_rc;
    }

private:
    sqlite3* m_db;
    SqlHeap::Account* m_account;
    std::thread m_thread;
    std::mutex m_lock;
    std::condition_variable m_ended;
    bool m_done = false;
    bool m_stopped = false;
    int m_rc = SQLITE_OK;
    std::exception_ptr m_failure;
};

void SqlDatabase::closeEveryConnection()
{
    const std::lock_guard<std::mutex> lock(openLock());
    std::vector<SqlDatabase*>& open = openConnections();
    // The readers first: a connection that cannot write leaves the write-ahead file where it is when it closes
    // last.
    std::stable_partition(open.begin(), open.end(), [](const SqlDatabase* db) {
        return db->m_mode == Mode::ReadOnly || db->m_mode == Mode::Inspect;
    });
    for (SqlDatabase* db : open) {
        sqlite3* h = db->handle();
        // The end came during a give-way of a parse: it stops before its connection goes.
        if (db->m_aside) {
            db->m_aside->stop();
            db->m_aside->join();
        }
        // Whoever held these statements never gets back to them.
        for (auto& [text, st] : db->m_cached)
            st.m_stmt = nullptr;
        while (sqlite3_stmt* st = sqlite3_next_stmt(h, nullptr))
            sqlite3_finalize(st);
        // The last connection of a file to close removes its write-ahead and shared-memory files.
        sqlite3_close(h);
        // Its handle is gone: the wrapper must never close it again.
        (void)db->m_db.release();
    }
    open.clear();
    // Their owners have gone already; closing last, they take the write-ahead files with them.
    lingeringWriters().clear();
}

QString SqlDatabase::memoryPath(const QString& name) { return QStringLiteral("file:/%1?vfs=memdb").arg(name); }

sqlite3* SqlDatabase::handle() const { return m_db->getHandle(); }

void SqlDatabase::exec(const QString& sql)
{
    char* error = nullptr;
    const int rc = sqlite3_exec(handle(), sql.toUtf8().constData(), nullptr, nullptr, &error);
    if (rc != SQLITE_OK) {
        const QString message = QString::fromUtf8(error ? error : sqlite3_errstr(rc));
        sqlite3_free(error);
        throw SqlError(sqlite3_extended_errcode(handle()), message);
    }
}

SqlStatement SqlDatabase::prepare(const QString& sql)
{
    sqlite3_stmt* stmt = nullptr;
    const QByteArray utf8 = sql.toUtf8();
    const int rc = sqlite3_prepare_v2(handle(), utf8.constData(), int(utf8.size()), &stmt, nullptr);
    if (rc != SQLITE_OK)
        throw SqlError(sqlite3_extended_errcode(handle()), QString::fromUtf8(sqlite3_errmsg(handle())));
    if (!stmt)
        throw SqlError(SqlError::Kind::BadSql, SQLITE_ERROR, QStringLiteral("The statement is empty."));
    return SqlStatement(this, stmt);
}

SqlStatement& SqlDatabase::cached(const char* sql)
{
    auto it = m_cached.find(std::string_view(sql));
    if (it == m_cached.end())
        it = m_cached.emplace(sql, prepare(QString::fromUtf8(sql))).first;
    SqlStatement& st = it->second;
    st.reset();
    sqlite3_clear_bindings(st.handle());
    return st;
}

void SqlDatabase::checkIntegrity()
{
    SqlStatement st = prepare(QStringLiteral("PRAGMA quick_check(1)"));
    if (st.step() && st.text(0) != QLatin1String("ok"))
        throw SqlError(SQLITE_CORRUPT, QStringLiteral("The file is damaged: ") + st.text(0));
}

void SqlDatabase::checkWritable()
{
    const bool readOnly = m_mode == Mode::Inspect
                              // This process's own rights, as opening the file to write would meet them.
                              ? ::faccessat(AT_FDCWD, QFile::encodeName(m_path).constData(), W_OK, AT_EACCESS) != 0
                              : m_mode != Mode::ReadOnly && sqlite3_db_readonly(handle(), "main") == 1;
    if (readOnly)
        throw SqlError(SQLITE_READONLY, QStringLiteral("the file cannot be written (it is read-only)"));
}

bool SqlDatabase::namesAFile(const QString& path)
{
    return !path.isEmpty() && path != QLatin1String(":memory:") && !path.startsWith(QLatin1String("file:"));
}

SqlDatabase::Holds SqlDatabase::lookAt(const QString& path, const QStringList& tables, bool emptyWelcome)
{
    if (const QString why = PlainFile::whyNotAFile(path); !why.isEmpty())
        throw SqlError(SQLITE_CANTOPEN, why);
    if (const QString why = companionCause(path); !why.isEmpty())
        throw SqlError(SQLITE_CANTOPEN, why);
    // A hot journal or a write-ahead file holds what the file alone does not (or undoes part of it).
    for (const char* beside : {"-wal", "-journal"})
        if (QFileInfo::exists(path + QLatin1String(beside)))
            return Holds::NotLookedAt;
    SqlDatabase look(path, Mode::Inspect);
    {
        SqlStatement st = look.prepare(QStringLiteral("SELECT count(*) FROM sqlite_master"));
        if (emptyWelcome && st.step() && st.int64(0) == 0) {
            look.checkWritable();
            return Holds::NoTables;
        }
    }
    look.checkIntegrity();
    look.checkTables(tables);
    look.checkWritable();
    return Holds::Tables;
}

namespace {

// What SQLite may leave beside a database file.
const char* const kBeside[] = {"", "-wal", "-shm", "-journal"};

void removeWithCompanions(const QString& path)
{
    for (const char* end : kBeside) {
        const QString name = path + QLatin1String(end);
        if (PlainFile::kindOf(name) == PlainFile::Kind::Plain)
            QFile::remove(name);
    }
}

// Removes what stands at name, whatever it is (a link itself, not what it leads to; a folder only when it is
// empty); 0 once nothing is there, else the system's reason.
int clearName(const QString& name)
{
    const QByteArray encoded = QFile::encodeName(name);
    if (::unlink(encoded.constData()) == 0 || errno == ENOENT)
        return 0;
    if (errno == EISDIR && ::rmdir(encoded.constData()) == 0)
        return 0;
    return errno;
}

// Writes what the system holds of a file or folder to the disk.
void syncToDisk(const QString& path, int flags)
{
    const int fd = ::open(QFile::encodeName(path).constData(), flags | O_CLOEXEC);
    if (fd < 0)
        throw SqlError(SQLITE_IOERR_FSYNC, systemReason(errno));
    const bool synced = ::fsync(fd) == 0;
    const int reason = errno;
    ::close(fd);
    if (!synced)
        throw SqlError(SQLITE_IOERR_FSYNC, systemReason(reason));
}

// Gives made the name path unless something is there already (then false, made untouched).
bool renameIntoPlace(const QString& made, const QString& path)
{
    const QByteArray from = QFile::encodeName(made);
    const QByteArray to = QFile::encodeName(path);
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno == EEXIST)
        return false;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP)
        throw SqlError(SQLITE_CANTOPEN, systemReason(errno));
    // A file system that cannot rename without replacing: a second link never replaces either.
    if (::link(from.constData(), to.constData()) == 0) {
        ::unlink(from.constData());
        return true;
    }
    if (errno == EEXIST)
        return false;
    if (errno != EPERM && errno != ENOTSUP)
        throw SqlError(SQLITE_CANTOPEN, systemReason(errno));
    // Nor links: the plain rename, after one last look.
    if (QFileInfo::exists(path) || QFileInfo(path).isSymLink())
        return false;
    if (::rename(from.constData(), to.constData()) != 0)
        throw SqlError(SQLITE_CANTOPEN, systemReason(errno));
    return true;
}

// A name of the program's own beside path to make a new file under, with nothing there or beside it. What stands
// at the first one (what a run killed while making the file left, or anything put there) is taken over; one
// that cannot be (a folder with something in it) is passed for the next. The file is made here, so that a
// folder that refuses it says why in the system's words.
QString scratchName(const QString& path)
{
    QString refused;
    for (int n = 0; n < 10; ++n) {
        const QString name = path + QStringLiteral(".new") + (n > 0 ? QString::number(n) : QString());
        int reason = clearName(name);
        for (const char* end : kCompanions)
            reason = reason != 0 ? reason : clearName(name + QLatin1String(end));
        if (reason != 0) {
            if (refused.isEmpty())
                refused = QStringLiteral("%1 cannot be taken over: %2").arg(name, systemReason(reason));
            continue;
        }
        QString why;
        const int fd = PlainFile::openDescriptor(name, O_RDWR | O_CREAT | O_EXCL, false, &why);
        if (fd < 0)
            throw SqlError(SQLITE_CANTOPEN, QStringLiteral("%1 cannot be made: %2").arg(name, why));
        ::close(fd);
        return name;
    }
    throw SqlError(SQLITE_CANTOPEN, refused);
}

} // namespace

std::unique_ptr<SqlDatabase> SqlDatabase::createWhole(const QString& path,
                                                      const std::function<void(SqlDatabase&)>& build)
{
    if (path.startsWith(QLatin1String("file:/")) && path.endsWith(QLatin1String("?vfs=memdb"))) {
        // A database in memory (memoryPath) has no file to be cut short and no name to take.
        auto db = std::make_unique<SqlDatabase>(path, Mode::ReadWriteCreate);
        SqlTransaction tx(*db);
        build(*db);
        tx.commit();
        return db;
    }
    const auto taken = [&path] { return QFileInfo::exists(path) || QFileInfo(path).isSymLink(); };
    if (taken())
        return nullptr;
    if (const QString why = PlainFile::wayTo(path).refusal; !why.isEmpty())
        throw SqlError(SQLITE_CANTOPEN, why);
    if (const QString why = companionCause(path); !why.isEmpty())
        throw SqlError(SQLITE_CANTOPEN, why);
    // A journal or write-ahead file without its database is what a file since removed left: SQLite would read
    // that file's pages into the new one under its name.
    for (const char* end : kCompanions)
        QFile::remove(path + QLatin1String(end));
    const QString making = scratchName(path);
    bool placed = false;
    const auto cleanUp = qScopeGuard([&] {
        if (!placed)
            removeWithCompanions(making);
    });
    {
        SqlDatabase db(making, Mode::ReadWriteCreate);
        // The tables fit the write-ahead file and then not the file itself on a disk with a few blocks free: both
        // steps are refused by what stood in the way.
        try {
            {
                SqlTransaction tx(db);
                build(db);
                tx.commit();
            }
            // The write-ahead file is copied into the file (and synced) ...
            SqlStatement st = db.prepare(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
            if (!st.step() || st.int64(0) != 0)
                throw SqlError(SQLITE_BUSY, QStringLiteral("the new file could not be completed"));
        } catch (const SqlError& e) {
            if (const QString cause = whatStoodInTheWay(path, e.code(), sqlite3_system_errno(db.handle()));
                !cause.isEmpty())
                throw SqlError(e.code(), cause);
            throw;
        }
    }
    // ... and goes as the connection closes: the one file renamed below is the whole database.
    if (QFileInfo(making + QStringLiteral("-wal")).size() > 0)
        throw SqlError(SQLITE_IOERR, QStringLiteral("the new file could not be completed"));
    syncToDisk(making, O_RDONLY);
    if (!renameIntoPlace(making, path))
        return nullptr;
    placed = true;
    syncToDisk(QFileInfo(path).absolutePath(), O_RDONLY | O_DIRECTORY);
    return std::make_unique<SqlDatabase>(path, Mode::ReadWrite);
}

void SqlDatabase::checkTables(const QStringList& tables)
{
    QStringList missing;
    for (const QString& table : tables)
        if (!tableExists(table))
            missing << table;
    if (!missing.isEmpty())
        throw SqlError(SQLITE_CORRUPT, QStringLiteral("the file has no table ") + missing.join(QStringLiteral(", ")));
}

SqlDatabase::UntrustedLimits::UntrustedLimits(SqlDatabase* owner)
    : m_owner(owner), m_db(owner->handle()), m_length(sqlite3_limit(m_db, SQLITE_LIMIT_LENGTH, UntrustedValueBytes)),
      m_columns(sqlite3_limit(m_db, SQLITE_LIMIT_COLUMN, UntrustedColumns)),
      m_pattern(sqlite3_limit(m_db, SQLITE_LIMIT_LIKE_PATTERN_LENGTH, UntrustedPatternBytes))
{
    sqlite3_progress_handler(m_db, kUntrustedProgressInterval, &SqlDatabase::progress, m_owner);
}

SqlDatabase::UntrustedLimits::~UntrustedLimits()
{
    sqlite3_limit(m_db, SQLITE_LIMIT_LENGTH, m_length);
    sqlite3_limit(m_db, SQLITE_LIMIT_COLUMN, m_columns);
    sqlite3_limit(m_db, SQLITE_LIMIT_LIKE_PATTERN_LENGTH, m_pattern);
    sqlite3_progress_handler(m_db, kProgressInterval, &SqlDatabase::progress, m_owner);
}

SqlStatement SqlDatabase::prepareUntrusted(const QString& jetText)
{
    return prepareJetText(jetText, QuerySource::Peer);
}

SqlStatement SqlDatabase::prepareQuery(const QString& jetText) { return prepareJetText(jetText, QuerySource::User); }

SqlStatement SqlDatabase::prepareJetText(const QString& jetText, QuerySource source)
{
    if (!isReadOnly()) {
        throw SqlError(SqlError::Kind::BadSql, SQLITE_MISUSE,
                       QStringLiteral("Query text from outside runs only on a read-only connection."));
    }
    const bool peer = source == QuerySource::Peer;
    // A peer's text of half a megabyte (a Find over a whole contact book) takes a slow machine longer to
    // translate and parse than any stretch the call road could wait for: the work goes aside, and only the
    // watch's deadline, its give-way saying stop or the heap's bound end it.
    const bool aside = peer && watched();
    QByteArray utf8 = aside ? QByteArray() : JetSql::translate(jetText).toUtf8();
    sqlite3* h = handle();
    std::optional<UntrustedLimits> limits;
    if (peer)
        limits.emplace(this);
    UntrustedGuard guard;
    guard.peer = peer;
    sqlite3_set_authorizer(h, untrustedAuthorizer, &guard);
    sqlite3_stmt* stmt = nullptr;
    const char* tail = nullptr;
    // The parse is the statement's too: a text of many terms takes memory before it runs.
    SqlHeap::Account* account = peer ? SqlHeap::open(UntrustedHeapBytes, UntrustedScratchBytes) : nullptr;
    int rc = SQLITE_OK;
    if (aside) {
        try {
            rc = parseAside(
                [&] {
                    utf8 = JetSql::translate(jetText).toUtf8();
                    const SqlHeap::Charge charge(account, SqlHeap::Stretch::Unbounded);
                    return sqlite3_prepare_v2(h, utf8.constData(), int(utf8.size()), &stmt, &tail);
                },
                account);
        } catch (...) {
            // The text could not be translated: nothing was prepared, and the connection's later statements
            // answer to nobody's guard.
            sqlite3_set_authorizer(h, nullptr, nullptr);
            SqlHeap::release(account);
            throw;
        }
        if (rc == SQLITE_INTERRUPT && stmt) {
            // Stopped just as it ended: what was asked to stop does not run.
            sqlite3_finalize(stmt);
            stmt = nullptr;
        }
    } else {
        const SqlHeap::Charge charge(account);
        rc = sqlite3_prepare_v2(h, utf8.constData(), int(utf8.size()), &stmt, &tail);
    }
    sqlite3_set_authorizer(h, nullptr, nullptr);
    SqlStatement statement(this, stmt, account);
    if (guard.wouldWrite || (stmt && !statement.isReadOnly())) {
        throw SqlError(SqlError::Kind::BadSql, SQLITE_READONLY,
                       QStringLiteral("Only a query that reads the call log can be run here; "
                                      "this statement would change it."));
    }
    if (!guard.function.isEmpty()) {
        throw SqlError(SqlError::Kind::BadSql, SQLITE_AUTH,
                       QStringLiteral("The function %1 cannot be used here.").arg(guard.function));
    }
    if (guard.refused) {
        throw SqlError(SqlError::Kind::BadSql, SQLITE_AUTH,
                       QStringLiteral("Only a query that reads the call log can be run here."));
    }
    if (rc != SQLITE_OK)
        statement.refuse(rc);
    if (!stmt)
        throw SqlError(SqlError::Kind::BadSql, SQLITE_ERROR, QStringLiteral("The query is empty."));
    if (!onlyBlanksAndComments(h, tail)) {
        throw SqlError(SqlError::Kind::BadSql, SQLITE_ERROR,
                       QStringLiteral("Only one statement can be run at a time."));
    }
    return statement;
}

int SqlDatabase::parseAside(const std::function<int()>& parse, SqlHeap::Account* account)
{
    sqlite3* h = handle();
    // What SQLite runs inside the parse (reading the schema) must not come to the watch from the other thread:
    // the give-way runs the event loop.
    sqlite3_progress_handler(h, 0, nullptr, nullptr);
    Aside aside(h, account);
    m_aside = &aside;
    const auto done = qScopeGuard([&] {
        m_aside = nullptr;
        sqlite3_progress_handler(h, kUntrustedProgressInterval, &SqlDatabase::progress, this);
    });
    aside.start(parse);
    while (!aside.wait(std::chrono::milliseconds(5))) {
        if (watchSaysStop()) {
            aside.stop();
            break;
        }
    }
    return aside.end();
}

qint64 SqlDatabase::lastInsertRowId() const { return sqlite3_last_insert_rowid(handle()); }

int SqlDatabase::changes() const { return sqlite3_changes(handle()); }

bool SqlDatabase::tableExists(const QString& table)
{
    SqlStatement st = prepare(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?"));
    st.bind(1, table);
    return st.step();
}

void SqlDatabase::setDefaultQueryBudget(int milliseconds) { g_defaultQueryBudgetMs = milliseconds; }

int SqlDatabase::defaultQueryBudget() { return g_defaultQueryBudgetMs.load(); }

void SqlDatabase::setWatch(Watch watch)
{
    if (!watch.clockMs)
        watch.clockMs = [] {
            return qint64(std::chrono::duration_cast<std::chrono::milliseconds>(
                              std::chrono::steady_clock::now().time_since_epoch())
                              .count());
        };
    m_gaveWayAt = watch.clockMs();
    m_watch = std::move(watch);
}

bool SqlDatabase::watchSaysStop()
{
    const qint64 now = m_watch->clockMs();
    if (m_watch->deadlineMs > 0 && now >= m_watch->deadlineMs)
        return true;
    if (m_watch->giveWay && now - m_gaveWayAt >= m_watch->giveWayMs) {
        m_gaveWayAt = now;
        // What the rest of the program does meanwhile is not the statement's to pay for, nor to stop.
        const SqlHeap::Pause pause;
        const Running elsewhere(nullptr);
        if (!m_watch->giveWay())
            return true;
    }
    return false;
}

SqlDatabase::Running::Running(SqlDatabase* db) : m_before(t_running) { t_running = db; }

SqlDatabase::Running::~Running() { t_running = m_before; }

bool SqlDatabase::keepWorking() { return !t_running || progress(t_running) == 0; }

int SqlDatabase::progress(void* self)
{
    SqlHeap::look();
    auto* db = static_cast<SqlDatabase*>(self);
    if (db->watched())
        return db->watchSaysStop() ? 1 : 0;
    if (db->m_deadline == std::chrono::steady_clock::time_point{})
        return 0;
    return std::chrono::steady_clock::now() > db->m_deadline ? 1 : 0;
}

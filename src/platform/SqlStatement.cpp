#include "platform/SqlStatement.h"

#include "platform/SqlDatabase.h"
#include "platform/SqlError.h"
#include "platform/SqlHeap.h"

#include <sqlite3.h>

#include <optional>

SqlStatement::SqlStatement(SqlDatabase* db, sqlite3_stmt* stmt, SqlHeap::Account* account)
    : m_db(db), m_stmt(stmt), m_account(account)
{
}

SqlStatement::SqlStatement(SqlStatement&& other) noexcept
    : m_db(other.m_db), m_stmt(other.m_stmt), m_account(other.m_account), m_running(other.m_running),
      m_budgeted(other.m_budgeted), m_left(other.m_left)
{
    other.m_stmt = nullptr;
    other.m_account = nullptr;
}

SqlStatement& SqlStatement::operator=(SqlStatement&& other) noexcept
{
    if (this != &other) {
        sqlite3_finalize(m_stmt);
        SqlHeap::release(m_account);
        m_db = other.m_db;
        m_stmt = other.m_stmt;
        m_account = other.m_account;
        m_running = other.m_running;
        m_budgeted = other.m_budgeted;
        m_left = other.m_left;
        other.m_stmt = nullptr;
        other.m_account = nullptr;
    }
    return *this;
}

SqlStatement::~SqlStatement()
{
    sqlite3_finalize(m_stmt);
    SqlHeap::release(m_account);
}

void SqlStatement::check(int rc) const
{
    if (rc != SQLITE_OK)
        throw SqlError(rc, QString::fromUtf8(sqlite3_errmsg(m_db->handle())));
}

void SqlStatement::bind(int index, const QString& value)
{
    const QByteArray utf8 = value.toUtf8();
    check(sqlite3_bind_text(m_stmt, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT));
}

void SqlStatement::bind(int index, qint64 value) { check(sqlite3_bind_int64(m_stmt, index, value)); }

void SqlStatement::bind(int index, double value) { check(sqlite3_bind_double(m_stmt, index, value)); }

void SqlStatement::bindNull(int index) { check(sqlite3_bind_null(m_stmt, index)); }

bool SqlStatement::step()
{
    if (m_db->watched()) {
        // The watch's deadline runs between steps too: a step that returns at once may never reach the
        // progress handler.
        if (m_db->watchSaysStop())
            throw SqlError(SQLITE_INTERRUPT, QStringLiteral("The query took too long and was stopped."));
        int rc = SQLITE_OK;
        {
            const SqlHeap::Charge charge(m_account);
            const SqlDatabase::Running running(m_db);
            std::optional<SqlDatabase::UntrustedLimits> limits;
            if (m_account)
                limits.emplace(m_db);
            rc = sqlite3_step(m_stmt);
        }
        return finish(rc);
    }
    if (!m_running) {
        m_running = true;
        m_left = m_db->timeBudget() > 0 ? std::chrono::milliseconds(m_db->timeBudget())
                                        : std::chrono::steady_clock::duration::zero();
        m_budgeted = m_db->timeBudget() > 0;
    }
    // The budget counts the query's own work only: what the caller does with a row before asking for the
    // next one (matching it to a contact, laying it out) never stops a view.
    const auto began = std::chrono::steady_clock::now();
    m_db->armDeadline(m_budgeted ? began + m_left : std::chrono::steady_clock::time_point{});
    int rc = SQLITE_OK;
    {
        const SqlHeap::Charge charge(m_account);
        const SqlDatabase::Running running(m_db);
        // An untrusted statement's bounds hold while it works, and only then.
        std::optional<SqlDatabase::UntrustedLimits> limits;
        if (m_account)
            limits.emplace(m_db);
        rc = sqlite3_step(m_stmt);
    }
    m_db->armDeadline({});
    if (m_budgeted)
        m_left -= std::chrono::steady_clock::now() - began;
    return finish(rc);
}

bool SqlStatement::finish(int rc)
{
    if (rc == SQLITE_ROW)
        return true;
    m_running = false;
    if (rc == SQLITE_DONE)
        return false;
    refuse(rc);
}

void SqlStatement::refuse(int rc) const
{
    // The message is the statement's own (a function's error text, an interrupt, a constraint).
    const QString message = QString::fromUtf8(sqlite3_errmsg(m_db->handle()));
    const int code = sqlite3_extended_errcode(m_db->handle());
    const SqlHeap::Refusal refusal = m_account ? SqlHeap::refusal(m_account) : SqlHeap::Refusal::None;
    if (m_stmt)
        sqlite3_reset(m_stmt);
    if (rc == SQLITE_INTERRUPT || refusal == SqlHeap::Refusal::Stretch)
        throw SqlError(SQLITE_INTERRUPT, QStringLiteral("The query took too long and was stopped."));
    if (refusal == SqlHeap::Refusal::Scratch) {
        throw SqlError(SqlError::Kind::TooComplex, code,
                       QStringLiteral("The query needs more than %1 MB of temporary storage: ask for less.")
                           .arg(SqlDatabase::UntrustedScratchBytes / (1024 * 1024)));
    }
    if (refusal == SqlHeap::Refusal::Bound) {
        throw SqlError(SqlError::Kind::TooComplex, SQLITE_NOMEM,
                       QStringLiteral("The query needs more than %1 MB of memory: ask for less.")
                           .arg(SqlDatabase::UntrustedHeapBytes / (1024 * 1024)));
    }
    if (m_account && (rc & 0xff) == SQLITE_TOOBIG) {
        throw SqlError(SqlError::Kind::TooComplex, code,
                       QStringLiteral("The query makes a value longer than %1 KB: ask for less.")
                           .arg(SqlDatabase::UntrustedValueBytes / 1024));
    }
    throw SqlError(code, message);
}

void SqlStatement::exec()
{
    while (step()) {
    }
}

void SqlStatement::reset()
{
    m_running = false;
    sqlite3_reset(m_stmt);
}

int SqlStatement::columnCount() const { return sqlite3_column_count(m_stmt); }

QString SqlStatement::columnName(int column) const { return QString::fromUtf8(sqlite3_column_name(m_stmt, column)); }

bool SqlStatement::isNull(int column) const { return sqlite3_column_type(m_stmt, column) == SQLITE_NULL; }

QString SqlStatement::text(int column) const
{
    const auto* data = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, column));
    const int size = sqlite3_column_bytes(m_stmt, column);
    return data ? QString::fromUtf8(data, size) : QString();
}

QByteArrayView SqlStatement::utf8(int column) const
{
    const auto* data = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, column));
    if (!data)
        return {};
    return QByteArrayView(data, sqlite3_column_bytes(m_stmt, column));
}

qint64 SqlStatement::int64(int column) const { return sqlite3_column_int64(m_stmt, column); }

double SqlStatement::real(int column) const { return sqlite3_column_double(m_stmt, column); }

QVariant SqlStatement::value(int column) const
{
    switch (sqlite3_column_type(m_stmt, column)) {
    case SQLITE_NULL:
        return QVariant();
    case SQLITE_INTEGER:
        return QVariant(qint64(int64(column)));
    case SQLITE_FLOAT:
        return QVariant(real(column));
    default:
        return QVariant(text(column));
    }
}

bool SqlStatement::isReadOnly() const { return sqlite3_stmt_readonly(m_stmt) != 0; }

QString SqlStatement::sql() const { return QString::fromUtf8(sqlite3_sql(m_stmt)); }

#include "platform/SqlTransaction.h"

#include "platform/SqlDatabase.h"

#include <sqlite3.h>

SqlTransaction::SqlTransaction(SqlDatabase& db)
    : m_db(db)
{
    // IMMEDIATE takes the write lock now, so a busy file fails here rather than halfway through.
    m_db.exec(QStringLiteral("BEGIN IMMEDIATE"));
}

SqlTransaction::~SqlTransaction()
{
    if (m_open && !sqlite3_get_autocommit(m_db.handle()))
        sqlite3_exec(m_db.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void SqlTransaction::commit()
{
    m_db.exec(QStringLiteral("COMMIT"));
    m_open = false;
}

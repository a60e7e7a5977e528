#include "platform/SqlTransaction.h"

#include "platform/SqlDatabase.h"

#include <sqlite3.h>

SqlTransaction::SqlTransaction(SqlDatabase& db) : m_db(db), m_nested(!sqlite3_get_autocommit(db.handle()))
{
    // IMMEDIATE takes the write lock now, so a busy file fails here rather than halfway through. Inside an
    // open transaction a savepoint gives the same all-or-nothing for this part alone.
    m_db.exec(m_nested ? QStringLiteral("SAVEPOINT velquon_tx") : QStringLiteral("BEGIN IMMEDIATE"));
}

SqlTransaction::~SqlTransaction()
{
    if (!m_open)
        return;
    if (m_nested)
        sqlite3_exec(m_db.handle(), "ROLLBACK TO velquon_tx; RELEASE velquon_tx", nullptr, nullptr, nullptr);
    else if (!sqlite3_get_autocommit(m_db.handle()))
        sqlite3_exec(m_db.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void SqlTransaction::commit()
{
    m_db.exec(m_nested ? QStringLiteral("RELEASE velquon_tx") : QStringLiteral("COMMIT"));
    m_open = false;
}

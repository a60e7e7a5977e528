#pragma once

class SqlDatabase;

// A write transaction that rolls back unless commit() is reached:
//
//     SqlTransaction tx(db);
//     ... statements ...
//     tx.commit();
//
// Throws SqlError when it cannot begin or commit. Transactions do not nest.
class SqlTransaction {
public:
    explicit SqlTransaction(SqlDatabase& db);
    ~SqlTransaction();
    SqlTransaction(const SqlTransaction&) = delete;
    SqlTransaction& operator=(const SqlTransaction&) = delete;

    void commit();

private:
    SqlDatabase& m_db;
    bool m_open = true;
};

#pragma once

class SqlDatabase;

// A write transaction that rolls back unless commit() is reached:
//
//     SqlTransaction tx(db);
//     ... statements ...
//     tx.commit();
//
// Throws SqlError when it cannot begin or commit. One begun inside another is a savepoint: its rollback undoes
// its own part only, and its commit is final when the outer one commits.
class SqlTransaction {
public:
    explicit SqlTransaction(SqlDatabase& db);
    ~SqlTransaction();
    SqlTransaction(const SqlTransaction&) = delete;
    SqlTransaction& operator=(const SqlTransaction&) = delete;

    void commit();

private:
    SqlDatabase& m_db;
    bool m_nested = false;
    bool m_open = true;
};

#pragma once

#include <QByteArrayView>
#include <QString>
#include <QVariant>

#include <chrono>

struct sqlite3_stmt;
class SqlDatabase;
namespace SqlHeap {
struct Account;
}

// One prepared statement on a SqlDatabase (made by SqlDatabase::prepare or prepareUntrusted); it must not
// outlive its database. Parameters are numbered from 1 ("?" or "?1" in the text), columns from 0.
//
//     SqlStatement st = db.prepare("SELECT fldName FROM tblCID WHERE ID = ?");
//     st.bind(1, id);
//     while (st.step())
//         names << st.text(0);
//
// The connection's time budget (SqlDatabase::setTimeBudget) counts the time spent inside step() from the first
// step after preparing or reset() until the statement is done, not what the caller does between rows; running
// over it throws SqlError (kind TooComplex). A watched connection (SqlDatabase::setWatch) runs on its watch instead.
// A statement of untrusted text also runs within its share of SQLite's heap (SqlHeap): past it, or past a
// stretch of work without a look at the clock, it fails as too complex, saying which.
class SqlStatement {
public:
    SqlStatement(SqlStatement&& other) noexcept;
    SqlStatement& operator=(SqlStatement&& other) noexcept;
    SqlStatement(const SqlStatement&) = delete;
    SqlStatement& operator=(const SqlStatement&) = delete;
    ~SqlStatement();

    void bind(int index, const QString& value); // a null QString binds an empty text, never NULL
    void bind(int index, qint64 value);
    void bind(int index, int value) { bind(index, qint64(value)); }
    void bind(int index, double value);
    void bindNull(int index);

    // Runs to the next row: true while a row is ready, false when done. Throws SqlError.
    bool step();
    // Runs a statement that returns no rows (or ignores them) to its end.
    void exec();
    // Back to the start with the bindings kept.
    void reset();

    int columnCount() const;
    QString columnName(int column) const;
    bool isNull(int column) const;
    QString text(int column) const;
    // The column's text as stored (UTF-8) without a copy; valid until the next step(), reset() or another
    // read of the column.
    QByteArrayView utf8(int column) const;
    qint64 int64(int column) const;
    double real(int column) const;
    QVariant value(int column) const; // by the stored type: null, qint64, double or QString

    bool isReadOnly() const;
    QString sql() const;
    sqlite3_stmt* handle() const { return m_stmt; }

private:
    friend class SqlDatabase;
    // account: the heap share of an untrusted statement, which the statement then holds.
    SqlStatement(SqlDatabase* db, sqlite3_stmt* stmt, SqlHeap::Account* account = nullptr);
    void check(int rc) const;
    // What a step's result means: a row, the end, or a throw.
    bool finish(int rc);
    // Throws the SqlError of a failed prepare or step: by its cause when it was one of the untrusted bounds.
    [[noreturn]] void refuse(int rc) const;

    SqlDatabase* m_db = nullptr;
    sqlite3_stmt* m_stmt = nullptr;
    SqlHeap::Account* m_account = nullptr;
    bool m_running = false;
    bool m_budgeted = false;
    std::chrono::steady_clock::duration m_left{}; // of the budget, for the steps still to come
};

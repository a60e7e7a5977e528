#pragma once

#include <QString>

#include <stdexcept>

// A failure of the database layer: an SQLite result code with its message, or one of our own refusals
// (untrusted text that would write, more than one statement). Every database call of the layer throws it.
class SqlError : public std::runtime_error {
public:
    // How the program reports a failed query of the Jet dialect: "Too Complex" or "Bad SQL".
    enum class Kind { TooComplex, BadSql };

    SqlError(int code, const QString& message);
    SqlError(Kind kind, int code, const QString& message);

    int code() const { return m_code; } // SQLite (extended) result code, SQLITE_ERROR for our own refusals
    QString message() const { return m_message; }
    Kind kind() const { return m_kind; }
    bool isTooComplex() const { return m_kind == Kind::TooComplex; }
    // "Too Complex" or "Bad SQL".
    QString resultText() const;

private:
    int m_code;
    QString m_message;
    Kind m_kind;
};

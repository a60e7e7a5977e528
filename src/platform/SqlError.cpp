#include "platform/SqlError.h"

#include <sqlite3.h>

namespace {

// SQLite reports these limits as plain errors; they mean the query is too big or too deep, not wrong.
SqlError::Kind classify(int code, const QString& message)
{
    if ((code & 0xff) == SQLITE_INTERRUPT)
        return SqlError::Kind::TooComplex;
    static const char* const tooComplex[] = {
        "Expression tree is too large",   "parser stack overflow", "too many terms in compound SELECT",
        "too many arguments on function", "pattern too complex",   "too many columns",
        "string or blob too big",
    };
    for (const char* phrase : tooComplex) {
        if (message.contains(QLatin1String(phrase), Qt::CaseInsensitive))
            return SqlError::Kind::TooComplex;
    }
    return SqlError::Kind::BadSql;
}

} // namespace

SqlError::SqlError(int code, const QString& message) : SqlError(classify(code, message), code, message) {}

SqlError::SqlError(Kind kind, int code, const QString& message)
    : std::runtime_error(message.toStdString()), m_code(code), m_message(message), m_kind(kind)
{
}

QString SqlError::resultText() const
{
    return m_kind == Kind::TooComplex ? QStringLiteral("Too Complex") : QStringLiteral("Bad SQL");
}

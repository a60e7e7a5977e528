#include "popup/modLoggedRecord.h"

#include "core/Globals.h"
#include "core/clsCaller.h"
#include "core/modCallerDB.h"
#include "core/modError.h"
#include "platform/DateText.h"
#include "platform/SqlError.h"

std::optional<LoggedRecord> FindLoggedRecord(const QString& callerDate)
{
    if (isClientMode())
        return std::nullopt;
    // The date may come from a client's request: only a real date goes into the query.
    const auto when = DateText::parse(callerDate);
    if (!when)
        return std::nullopt;
    try {
        const QList<clsCaller> calls = SelectCallers(QStringLiteral("Select * From tblCID Where fldDate = #") +
                                                     DateText::format(*when) + QLatin1Char('#'));
        if (calls.isEmpty())
            return std::nullopt;
        const clsCaller& c = calls.first();
        return LoggedRecord{c.Name, c.Number.Number, c.CallerDate, QString::number(c.Rings), c.Answered};
    } catch (const SqlError& e) {
        SaveError(e.code(), e.message(), QStringLiteral("SQLite"));
        return std::nullopt;
    }
}

std::optional<LoggedRecord> FindLoggedRecordByID(qint64 id)
{
    if (isClientMode())
        return std::nullopt;
    try {
        const QList<clsCaller> calls =
            SelectCallers(QStringLiteral("Select * From tblCID Where ID = ") + QString::number(id));
        if (calls.isEmpty())
            return std::nullopt;
        const clsCaller& c = calls.first();
        return LoggedRecord{c.Name, c.Number.Number, c.CallerDate, QString::number(c.Rings), c.Answered};
    } catch (const SqlError& e) {
        SaveError(e.code(), e.message(), QStringLiteral("SQLite"));
        return std::nullopt;
    }
}

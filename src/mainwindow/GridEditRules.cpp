#include "mainwindow/GridEditRules.h"

#include <limits>

#include <QStringList>

#include "core/PhoneNumber.h"
#include "mainwindow/CallListModel.h"
#include "platform/DateText.h"

namespace GridEditRules {

namespace {

// The longest name an edit may give: as long as a modem line can bring. A longer one could not be read back
// by the readers of query text, whose values are bounded (SqlDatabase::UntrustedValueBytes).
constexpr qsizetype kMaxNameLength = 4096;

bool hasSeparators(const QString& text)
{
    for (const char* s : {"//", ";", "|", "'"})
        if (text.contains(QLatin1String(s)))
            return true;
    return false;
}

} // namespace

std::optional<QString> accept(int column, const QString& text)
{
    switch (column) {
    case CallListModel::ColName:
        // The log keeps a name for every call: an empty one would read as a failed line.
        if (text.trimmed().isEmpty() || text.size() > kMaxNameLength || hasSeparators(text))
            return std::nullopt;
        return text;
    case CallListModel::ColNumber:
        return FormatPhoneNumber(text);
    case CallListModel::ColDate:
        if (!DateText::parse(text))
            return std::nullopt;
        return text;
    case CallListModel::ColRings: {
        // A count of rings: a whole number from 0 up, nothing that would round, wrap or read as hex.
        const QString digits = text.trimmed();
        bool ok = !digits.isEmpty();
        for (const QChar c : digits)
            ok = ok && c >= QLatin1Char('0') && c <= QLatin1Char('9');
        if (!ok || digits.toLongLong(&ok) > std::numeric_limits<qint32>::max() || !ok)
            return std::nullopt;
        return digits;
    }
    case CallListModel::ColAnswered: {
        const QString upper = text.toUpper();
        if (QStringList{QStringLiteral("NO"), QStringLiteral("YES"), QStringLiteral("N/A"), QStringLiteral("BLOCKED")}
                .contains(upper))
            return upper;
        return std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

} // namespace GridEditRules

#include "core/PhoneNumber.h"

std::optional<QString> FormatPhoneNumber(const QString& typed, bool allowWildcards)
{
    const QString upper = typed.toUpper();
    for (const char* word : {"PRIVATE NUMBER", "UNKNOWN NUMBER", "NOT RECEIVED"}) {
        if (upper == QLatin1String(word))
            return upper;
    }
    QString kept;
    for (const QChar c : typed) {
        // Only ASCII digits: other scripts' digits would not match the numbers the modem reports.
        if ((c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (allowWildcards && c == QLatin1Char('*')))
            kept += c;
    }
    if (kept.size() == 7)
        return kept.left(3) + QLatin1Char('-') + kept.mid(3);
    if (kept.size() == 10)
        return QLatin1Char('(') + kept.left(3) + QStringLiteral(") ") + kept.mid(3, 3) + QLatin1Char('-') + kept.mid(6);
    return std::nullopt;
}

QString numberLengthMessage() { return QStringLiteral("The number must be 7 or 10 digits long."); }

#include "core/TypedNumber.h"

std::optional<QString> NormaliseTypedNumber(const QString& text)
{
    const QString upper = text.toUpper();
    for (const char* word : {"PRIVATE NUMBER", "UNKNOWN NUMBER", "NOT RECEIVED"})
        if (upper == QLatin1String(word))
            return upper;
    QString digits;
    for (const QChar c : text)
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            digits += c;
    if (digits.size() == 7)
        return digits.left(3) + QLatin1Char('-') + digits.mid(3);
    if (digits.size() == 10)
        return QLatin1Char('(') + digits.left(3) + QStringLiteral(") ") + digits.mid(3, 3) + QLatin1Char('-') +
               digits.mid(6);
    return std::nullopt;
}

QString numberLengthMessage() { return QStringLiteral("The number must be 7 or 10 digits long."); }

#include "mainwindow/GridEditRules.h"

#include <QLocale>
#include <QStringList>

#include "platform/DateText.h"

namespace GridEditRules {

namespace {

bool hasSeparators(const QString& text)
{
    for (const char* s : {"//", ";", "|", "'"})
        if (text.contains(QLatin1String(s)))
            return true;
    return false;
}

std::optional<QString> number(const QString& text)
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

} // namespace

std::optional<QString> accept(int column, const QString& text)
{
    switch (column) {
    case 0:
        if (hasSeparators(text))
            return std::nullopt;
        return text;
    case 1:
        return number(text);
    case 2:
        if (!DateText::parse(text))
            return std::nullopt;
        return text;
    case 3: {
        bool ok = false;
        QLocale::c().toDouble(text.trimmed(), &ok);
        if (!ok)
            return std::nullopt;
        return text;
    }
    case 4: {
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

#include "network/ServerRequests.h"

#include <limits>

namespace ServerRequests {

QList<QStringView> tokens(QStringView unit) { return unit.split(QLatin1Char(';')); }

qsizetype maxFieldChars(const QString& keyword)
{
    return keyword == QLatin1String("DELETE SQL") ? std::numeric_limits<qsizetype>::max() : kMaxFieldChars;
}

QString fieldNoun(const QString& keyword)
{
    if (keyword == QLatin1String("SQL") || keyword == QLatin1String("STATISTIC") || keyword == QLatin1String("GRAPH"))
        return QStringLiteral("query");
    if (keyword.endsWith(QLatin1String("CONTACT")))
        return QStringLiteral("contact");
    return QStringLiteral("request");
}

int fieldCount(const QString& keyword)
{
    struct Entry {
        QLatin1StringView keyword;
        int fields;
    };
    static const Entry kCatalogue[] = {
        {QLatin1StringView("NETCANCEL"), 0},
        {QLatin1StringView("GRAPH"), 1},
        {QLatin1StringView("STATISTIC"), 1},
        {QLatin1StringView("MINI DISPLAY"), 1},
        {QLatin1StringView("SQL"), 1},
        {QLatin1StringView("MODEMCONNECTION"), 0},
        {QLatin1StringView("BLOCK CALL"), 0},
        {QLatin1StringView("ORIGINAL ID MINI DISPLAY"), 1},
        {QLatin1StringView("ORIGINAL ID"), 1},
        {QLatin1StringView("DELETE SQL"), 1},
        {QLatin1StringView("EDIT CALLER"), 3},
        {QLatin1StringView("EDIT CONTACT"), 2},
        {QLatin1StringView("ADD CONTACT"), 1},
        {QLatin1StringView("DELETE CONTACT"), 1},
        {QLatin1StringView("GET CONTACT UPDATE"), 0},
        {QLatin1StringView("MINI DISPLAY STATS"), 2},
    };
    for (const Entry& e : kCatalogue) {
        if (keyword == e.keyword)
            return e.fields;
    }
    return -1;
}

int cancelsIn(const QString& unit)
{
    // Cheap for the common unit, which holds no cancel at all.
    if (!unit.contains(QLatin1String("NETCANCEL"), Qt::CaseInsensitive))
        return 0;
    const QList<QStringView> t = tokens(unit);
    int cancels = 0;
    for (qsizetype i = 0; i < t.size(); ++i) {
        // Only a token that could be a keyword is made a text of its own.
        if (t.at(i).size() > 32)
            continue;
        const QString key = t.at(i).toString().toUpper();
        const int fields = fieldCount(key);
        if (fields < 0)
            continue;
        if (key == QLatin1String("NETCANCEL"))
            ++cancels;
        i += fields;
    }
    return cancels;
}

} // namespace ServerRequests

#include "network/ServerRequests.h"

namespace ServerRequests {

QStringList tokens(const QString& unit) { return unit.split(QLatin1Char(';')); }

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
    const QStringList t = tokens(unit);
    int cancels = 0;
    for (qsizetype i = 0; i < t.size(); ++i) {
        const QString key = t.at(i).toUpper();
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

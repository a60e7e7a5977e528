#include "network/ServerRequests.h"

#include <QLocale>

#include <limits>

namespace ServerRequests {

QList<QStringView> tokens(QStringView unit) { return unit.split(QLatin1Char(';')); }

qsizetype maxFieldChars(const QString& keyword)
{
    if (keyword == QLatin1String("DELETE SQL") || keyword == QLatin1String("ADD CONTACT") ||
        keyword == QLatin1String("EDIT CONTACT"))
        return std::numeric_limits<qsizetype>::max();
    if (fieldNoun(keyword) == QLatin1String("query"))
        return kMaxQueryChars;
    return kMaxFieldChars;
}

namespace {

QString counted(qsizetype n) { return QLocale(QLocale::English, QLocale::UnitedStates).toString(qlonglong(n)); }

} // namespace

QString tooLongText(const QString& keyword)
{
    return QStringLiteral("The %1 is longer than %2 characters: ask for less.")
        .arg(fieldNoun(keyword), counted(maxFieldChars(keyword)));
}

bool fitsOneRequest(const QString& request)
{
    // At most three bytes of UTF-8 a UTF-16 unit: most requests need no counting.
    const qsizetype room = kMaxRequestBytes - MessageFramer::Marker.size();
    return request.size() * 3 <= room || request.toUtf8().size() <= room;
}

QString tooLongToSendText(const QString& noun, const QString& request)
{
    return QStringLiteral("The %1 takes %2 bytes as it is sent; the server takes at most %3 bytes a request.")
        .arg(noun, counted(request.toUtf8().size() + MessageFramer::Marker.size()), counted(kMaxRequestBytes));
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

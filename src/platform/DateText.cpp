#include "platform/DateText.h"

#include <QRegularExpression>

namespace DateText {

namespace {

QDateTime makeLocal(const QDate& d, const QTime& t)
{
    // Naive wall-clock values: never let a DST gap move a stored time.
    return QDateTime(d, t, Qt::UTC);
}

} // namespace

QDate zeroDate() { return QDate(1899, 12, 30); }

QString shortDate(const QDate& date)
{
    return QStringLiteral("%1/%2/%3").arg(date.month()).arg(date.day()).arg(date.year(), 4, 10, QLatin1Char('0'));
}

QString timeText(const QTime& time)
{
    int h = time.hour() % 12;
    if (h == 0)
        h = 12;
    return QStringLiteral("%1:%2:%3 %4")
        .arg(h)
        .arg(time.minute(), 2, 10, QLatin1Char('0'))
        .arg(time.second(), 2, 10, QLatin1Char('0'))
        .arg(time.hour() < 12 ? QStringLiteral("AM") : QStringLiteral("PM"));
}

QString format(const QDateTime& value)
{
    if (!value.isValid())
        return QString();
    const QDate d = value.date();
    const QTime t = value.time();
    if (d == zeroDate())
        return timeText(t);
    if (t.hour() == 0 && t.minute() == 0 && t.second() == 0)
        return shortDate(d);
    return shortDate(d) + QLatin1Char(' ') + timeText(t);
}

QString formatFull(const QDateTime& value)
{
    if (!value.isValid())
        return QString();
    return shortDate(value.date()) + QLatin1Char(' ') + timeText(value.time());
}

static std::optional<QTime> parseTime(const QString& text)
{
    static const QRegularExpression re(QStringLiteral("^(\\d{1,2}):(\\d{1,2})(?::(\\d{1,2}))?\\s*(AM|PM|A|P)?$"),
                                       QRegularExpression::CaseInsensitiveOption);
    const auto m = re.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    int h = m.captured(1).toInt();
    const int mi = m.captured(2).toInt();
    const int s = m.captured(3).isEmpty() ? 0 : m.captured(3).toInt();
    const QString ap = m.captured(4).toUpper();
    if (!ap.isEmpty()) {
        if (h < 1 || h > 12)
            return std::nullopt;
        if (ap.startsWith(QLatin1Char('A')))
            h = (h == 12) ? 0 : h;
        else
            h = (h == 12) ? 12 : h + 12;
    }
    QTime t(h, mi, s);
    if (!t.isValid())
        return std::nullopt;
    return t;
}

static std::optional<QDate> parseDate(const QString& text)
{
    static const QRegularExpression us(QStringLiteral("^(\\d{1,2})/(\\d{1,2})/(\\d{1,4})$"));
    static const QRegularExpression iso(QStringLiteral("^(\\d{4})-(\\d{1,2})-(\\d{1,2})$"));
    QDate d;
    if (auto m = us.match(text); m.hasMatch()) {
        int y = m.captured(3).toInt();
        if (m.captured(3).size() <= 2)
            y += (y < 30) ? 2000 : 1900;
        d = QDate(y, m.captured(1).toInt(), m.captured(2).toInt());
    } else if (auto m2 = iso.match(text); m2.hasMatch()) {
        d = QDate(m2.captured(1).toInt(), m2.captured(2).toInt(), m2.captured(3).toInt());
    }
    if (!d.isValid())
        return std::nullopt;
    return d;
}

std::optional<QDateTime> parse(const QString& input)
{
    const QString text = input.trimmed();
    if (text.isEmpty())
        return std::nullopt;
    // ISO with a 'T' or a blank between date and time.
    static const QRegularExpression isoFull(
        QStringLiteral("^(\\d{4}-\\d{1,2}-\\d{1,2})[T ](\\d{1,2}:\\d{1,2}(?::\\d{1,2})?)(?:\\.\\d+)?$"));
    if (auto m = isoFull.match(text); m.hasMatch()) {
        auto d = parseDate(m.captured(1));
        auto t = parseTime(m.captured(2));
        if (d && t)
            return makeLocal(*d, *t);
        return std::nullopt;
    }
    const qsizetype space = text.indexOf(QLatin1Char(' '));
    if (space < 0) {
        if (auto d = parseDate(text))
            return makeLocal(*d, QTime(0, 0, 0));
        if (auto t = parseTime(text))
            return makeLocal(zeroDate(), *t);
        return std::nullopt;
    }
    const QString first = text.left(space);
    const QString rest = text.mid(space + 1).trimmed();
    if (auto d = parseDate(first)) {
        if (auto t = parseTime(rest))
            return makeLocal(*d, *t);
        return std::nullopt;
    }
    // A time alone with its AM/PM after a blank ("2:05:07 PM").
    if (auto t = parseTime(text))
        return makeLocal(zeroDate(), *t);
    return std::nullopt;
}

QString toIso(const QDateTime& value)
{
    if (!value.isValid())
        return QString();
    const QDate d = value.date();
    const QTime t = value.time();
    return QStringLiteral("%1-%2-%3 %4:%5:%6")
        .arg(d.year(), 4, 10, QLatin1Char('0'))
        .arg(d.month(), 2, 10, QLatin1Char('0'))
        .arg(d.day(), 2, 10, QLatin1Char('0'))
        .arg(t.hour(), 2, 10, QLatin1Char('0'))
        .arg(t.minute(), 2, 10, QLatin1Char('0'))
        .arg(t.second(), 2, 10, QLatin1Char('0'));
}

std::optional<QDateTime> fromIso(const QString& text) { return parse(text); }

int storedToGeneral(QStringView stored, char16_t* out)
{
    if (stored.size() != 19)
        return -1;
    const char16_t* s = stored.utf16();
    auto digit = [s](int i) { return s[i] >= u'0' && s[i] <= u'9'; };
    if (s[4] != u'-' || s[7] != u'-' || s[10] != u' ' || s[13] != u':' || s[16] != u':')
        return -1;
    for (int i : {0, 1, 2, 3, 5, 6, 8, 9, 11, 12, 14, 15, 17, 18})
        if (!digit(i))
            return -1;
    auto num = [s](int i, int n) {
        int v = 0;
        for (int k = 0; k < n; ++k)
            v = v * 10 + (s[i + k] - u'0');
        return v;
    };
    const int month = num(5, 2), day = num(8, 2);
    const int hour = num(11, 2), minute = num(14, 2), second = num(17, 2);
    if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 59)
        return -1;
    if (num(0, 4) == 1899 && month == 12 && day == 30)
        return -1;
    int n = 0;
    auto put = [&](int v, bool pad) {
        if (v >= 10 || pad)
            out[n++] = char16_t(u'0' + v / 10);
        out[n++] = char16_t(u'0' + v % 10);
    };
    put(month, false);
    out[n++] = u'/';
    put(day, false);
    out[n++] = u'/';
    for (int i = 0; i < 4; ++i)
        out[n++] = s[i];
    if (hour == 0 && minute == 0 && second == 0)
        return n;
    out[n++] = u' ';
    put(hour % 12 == 0 ? 12 : hour % 12, false);
    out[n++] = u':';
    put(minute, true);
    out[n++] = u':';
    put(second, true);
    out[n++] = u' ';
    out[n++] = hour < 12 ? u'A' : u'P';
    out[n++] = u'M';
    return n;
}

} // namespace DateText

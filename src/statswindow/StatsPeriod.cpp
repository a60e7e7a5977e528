#include "statswindow/StatsPeriod.h"

#include <QStringList>

#include "platform/DateText.h"

namespace StatsPeriod {

namespace {

struct Row {
    const char* caption;
    const char* word;
    const char* text;
    int days;
};

const Row kRows[ItemCount] = {
    {"Any Time Period", "ANYTIME", "(Any Time Period)", 0},
    {"", "", "", 0},
    {"Last Day", "DAY", "(Last Day)", 1},
    {"Last Week (7 days)", "WEEK", "(Last Week)", 7},
    {"Last Month (30 days)", "MONTH", "(Last Month)", 30},
    {"Last 6 Months (182 days)", "6MONTHS", "(Last 6 Months)", 182},
    {"Last Year (365 days)", "YEAR", "(Last Year)", 365},
    {"", "", "", 0},
    {"Custom...", "", "", 0},
};

const Row* row(int item) { return item >= 0 && item < ItemCount ? &kRows[item] : nullptr; }

} // namespace

QString menuCaption(int item) { return row(item) ? QString::fromLatin1(row(item)->caption) : QString(); }

bool isSeparator(int item) { return item == 1 || item == 7; }

QString settingWord(int item) { return row(item) ? QString::fromLatin1(row(item)->word) : QString(); }

int itemOfWord(const QString& word)
{
    const QString upper = word.toUpper();
    for (int i = 0; i < ItemCount; ++i) {
        if (kRows[i].word[0] && upper == QLatin1String(kRows[i].word))
            return i;
    }
    return -1;
}

QString captionText(int item) { return row(item) ? QString::fromLatin1(row(item)->text) : QString(); }

int daysBack(int item) { return row(item) ? row(item)->days : 0; }

QString clause(int item, const QDateTime& now)
{
    const int days = daysBack(item);
    if (days <= 0)
        return QString();
    return QStringLiteral("and fldDate > #") + DateText::format(now.addDays(-days)) + QLatin1Char('#');
}

QString customClause(const QDateTime& start, const QDateTime& end, bool startInclusive, bool endInclusive)
{
    return QStringLiteral("and fldDate ") + (startInclusive ? QStringLiteral(">= #") : QStringLiteral("> #")) +
           DateText::format(start) + QStringLiteral("# and fldDate ") +
           (endInclusive ? QStringLiteral("<= #") : QStringLiteral("< #")) + DateText::format(end) + QLatin1Char('#');
}

QString customCaption(const QDateTime& start, const QDateTime& end)
{
    return QLatin1Char('(') + DateText::shortDate(start.date()) + QStringLiteral(" to ") +
           DateText::shortDate(end.date()) + QLatin1Char(')');
}

QString customSetting(const QDateTime& start, const QDateTime& end, bool startInclusive, bool endInclusive)
{
    return DateText::format(startInclusive ? start.addSecs(-1) : start) + QLatin1Char(';') +
           DateText::format(endInclusive ? end.addSecs(1) : end);
}

bool parseCustomSetting(const QString& text, QDateTime& start, QDateTime& end)
{
    const QStringList pieces = text.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    if (pieces.size() < 2)
        return false;
    const auto s = DateText::parse(pieces[0]);
    const auto e = DateText::parse(pieces[1]);
    if (!s || !e)
        return false;
    start = *s;
    end = *e;
    return true;
}

} // namespace StatsPeriod

#include "core/RecordFields.h"

#include "core/modError.h"

#include <cmath>
#include <limits>

namespace RecordFields {

bool roundToInt32(double value, qint32& out)
{
    if (!std::isfinite(value))
        return false;
    const double r = std::nearbyint(value); // the default rounding mode is half to even
    if (r < double(std::numeric_limits<qint32>::min()) || r > double(std::numeric_limits<qint32>::max()))
        return false;
    out = qint32(r);
    return true;
}

Conversion toInt32(const QString& text, qint32& out)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return TypeMismatch;
    bool ok = false;
    const double d = t.toDouble(&ok); // C locale: the text forms never carry a locale's separators
    // toDouble also takes "inf" and "nan", which are words, not numbers.
    if (!ok || !std::isfinite(d))
        return TypeMismatch;
    return roundToInt32(d, out) ? Converted : Overflow;
}

double leadingNumber(const QString& text)
{
    QString s;
    s.reserve(text.size());
    for (const QChar c : text) {
        if (c != QLatin1Char(' ') && c != QLatin1Char('\t') && c != QLatin1Char('\n') && c != QLatin1Char('\r'))
            s += c;
    }
    int i = 0;
    const int n = int(s.size());
    const auto digits = [&](int from) {
        int j = from;
        while (j < n && s[j].isDigit() && s[j].unicode() < 128)
            ++j;
        return j;
    };
    if (i < n && (s[i] == QLatin1Char('+') || s[i] == QLatin1Char('-')))
        ++i;
    const int intEnd = digits(i);
    int end = intEnd;
    bool anyDigit = intEnd > i;
    if (end < n && s[end] == QLatin1Char('.')) {
        const int fracEnd = digits(end + 1);
        anyDigit = anyDigit || fracEnd > end + 1;
        end = fracEnd;
    }
    if (!anyDigit)
        return 0;
    if (end < n && (s[end] == QLatin1Char('e') || s[end] == QLatin1Char('E') || s[end] == QLatin1Char('d') ||
                    s[end] == QLatin1Char('D'))) {
        int k = end + 1;
        if (k < n && (s[k] == QLatin1Char('+') || s[k] == QLatin1Char('-')))
            ++k;
        const int expEnd = digits(k);
        if (expEnd > k) {
            s[end] = QLatin1Char('e');
            end = expEnd;
        }
    }
    bool ok = false;
    const double d = s.left(end).toDouble(&ok);
    if (ok)
        return d;
    // An exponent too large for a double: the sign still tells which way it overflowed.
    return s.startsWith(QLatin1Char('-')) ? -std::numeric_limits<double>::infinity()
                                          : std::numeric_limits<double>::infinity();
}

void recordFailure(Conversion conversion, const QString& tag, bool showOverflow)
{
    if (conversion == Converted)
        return;
    if (conversion == TypeMismatch) {
        SaveError(kTypeMismatchError, QStringLiteral("Type mismatch"));
        ReportError(tag);
        return;
    }
    SaveError(kOverflowError, QStringLiteral("Overflow"));
    ReportError(tag);
    if (showOverflow)
        ShowError(QString());
}

} // namespace RecordFields

#include "network/IPEntry.h"

#include <QStringList>

QString IPEntry(const QString& typed, bool restricted, bool& valid)
{
    valid = true;
    if (typed.isEmpty())
        return QString();
    const QStringList parts = typed.split(QLatin1Char('.'));
    QStringList canonical;
    for (const QString& part : parts) {
        bool digitsOnly = !part.isEmpty() && part.size() <= 3;
        for (QChar c : part)
            digitsOnly = digitsOnly && c >= QLatin1Char('0') && c <= QLatin1Char('9');
        if (!digitsOnly || part.toInt() > 255 || parts.size() != 4) {
            valid = false;
            return QString();
        }
        canonical << QString::number(part.toInt());
    }
    return canonical.join(QLatin1Char('.')) + (restricted ? QStringLiteral(" R") : QStringLiteral(" B"));
}

#include "core/clsNumber.h"

QString clsNumber::PrintNumberDescription() const
{
    if (Description.isEmpty() || Description == QLatin1String("NONE"))
        return Number;
    return Number + QStringLiteral(" (") + Description + QLatin1Char(')');
}

QString clsNumber::PrintSend() const
{
    return QStringLiteral("|NUMBER|") + Number + QLatin1Char('|') +
           (Description.isEmpty() ? QStringLiteral("NONE") : Description);
}

#include "core/ChangedMeanwhile.h"

#include "platform/Prompt.h"

namespace ChangedMeanwhile {

QString text(const QString& what)
{
    return QStringLiteral("The ") + what +
           QStringLiteral(" was changed or removed while this window waited; nothing was changed.");
}

void say(const QString& what) { Prompt::message(text(what), Prompt::OkOnly, Prompt::Exclamation); }

QString call(const QString& name, const QString& date)
{
    return QStringLiteral("call from \"") + name + QStringLiteral("\" at ") + date;
}

QString client(const QString& address) { return QStringLiteral("client \"") + address + QLatin1Char('"'); }

} // namespace ChangedMeanwhile

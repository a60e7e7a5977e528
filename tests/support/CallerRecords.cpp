#include "CallerRecords.h"

#include "core/clsCaller.h"
#include "platform/Clock.h"
#include "platform/DateText.h"

QString callerRecords(const QString& tag, const QStringList& names, int firstId)
{
    QString text;
    for (qsizetype i = 0; i < names.size(); ++i) {
        clsCaller c;
        c.ID = firstId + qint32(i);
        c.Name = names.at(i);
        c.CallerDate = DateText::format(Clock::now());
        text += tag + c.PrintSend();
    }
    return text;
}

QString callListAnswer(const QStringList& names, int firstId)
{
    return QStringLiteral(";CLEAR CALLERS;") + callerRecords(QStringLiteral(";CALLER;"), names, firstId);
}

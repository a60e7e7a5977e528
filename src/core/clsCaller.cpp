#include "core/clsCaller.h"

#include "core/RecordFields.h"
#include "core/clsTokenizer.h"
#include "core/modError.h"

QString clsCaller::PrintNameDescription() const
{
    if (ContactName.isEmpty())
        return Name;
    if (Number.Description.isEmpty() || Number.Description == QLatin1String("NONE"))
        return ContactName;
    return ContactName + QStringLiteral(" (") + Number.Description + QLatin1Char(')');
}

QString clsCaller::PrintSend() const
{
    const QChar bar = QLatin1Char('|');
    return bar + QString::number(ID) + bar + Name + Number.PrintSend() + bar + CallerDate + bar +
           QString::number(Rings) + bar + ContactName + bar + AttributeGroup + bar + Answered + bar;
}

void clsCaller::BuildCaller(const QString& text, bool fromPeer)
{
    clsTokenizer t(text, QStringLiteral("|"), false);
    t.NextToken();

    const auto readInteger = [this, fromPeer](const QString& field, qint32& target) {
        const RecordFields::Conversion c = RecordFields::toInt32(field, target);
        if (c == RecordFields::Converted)
            return true;
        RecordFields::recordFailure(c, QStringLiteral("clsCaller_BuildCaller"), !fromPeer);
        m_badData = true;
        return false;
    };

    if (!readInteger(t.NextToken(), ID))
        return;
    Name = t.NextToken();
    t.NextToken(); // the word NUMBER
    Number.Number = t.NextToken();
    Number.Description = t.NextToken();
    if (Number.Description.toUpper() == QLatin1String("NONE"))
        Number.Description.clear();
    CallerDate = t.NextToken();
    if (!readInteger(t.NextToken(), Rings))
        return;
    ContactName = t.NextToken();
    AttributeGroup = t.NextToken();
    Answered = t.NextToken();
}

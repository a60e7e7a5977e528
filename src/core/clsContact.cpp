#include "core/clsContact.h"

#include "core/clsTokenizer.h"

bool clsContact::AddNumber(std::shared_ptr<clsNumber> number)
{
    if (!number)
        return false;
    const QString key = number->PrintNumberDescription();
    return Numbers.add(key, std::move(number));
}

QString clsContact::PrintSend() const
{
    const QChar bar = QLatin1Char('|');
    QString out = bar + Name + bar + AttributeGroup + bar + ImageFile + bar + OtherInfo;
    for (const auto& entry : Numbers)
        out += entry.item->PrintSend();
    return out;
}

void clsContact::BuildContact(const QString& text)
{
    clsTokenizer t(text, QStringLiteral("|"), false);
    t.NextToken();
    Name = t.NextToken();
    AttributeGroup = t.NextToken();
    ImageFile = t.NextToken();
    OtherInfo = t.NextToken();
    while (t.NextToken() == QLatin1String("NUMBER")) {
        auto number = std::make_shared<clsNumber>();
        number->Number = t.NextToken();
        number->Description = t.NextToken();
        // A number listed twice is the same number: the first one stands and the contact stays readable.
        AddNumber(std::move(number));
    }
}

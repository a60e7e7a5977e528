#include "core/clsAttributeGroup.h"

#include <cmath>
#include <optional>

#include "core/RecordFields.h"
#include "core/clsTokenizer.h"

namespace {

// "True"/"False" in any case, or a number (0 is false).
std::optional<bool> truthValue(const QString& field)
{
    const QString t = field.trimmed();
    if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    bool ok = false;
    const double d = t.toDouble(&ok);
    if (ok && std::isfinite(d))
        return d != 0;
    return std::nullopt;
}

} // namespace

QString clsAttributeGroup::PrintSend() const
{
    const QChar bar = QLatin1Char('|');
    return bar + Description + bar + QString::number(Color) + bar +
           (Block ? QStringLiteral("True") : QStringLiteral("False")) + bar + Sound + bar;
}

void clsAttributeGroup::Build(const QString& text)
{
    clsTokenizer t(text, QStringLiteral("|"), false);
    t.NextToken();
    Description = t.NextToken();
    if (!RecordFields::roundToInt32(RecordFields::leadingNumber(t.NextToken()), Color)) {
        m_badData = true;
        return;
    }
    const std::optional<bool> block = truthValue(t.NextToken());
    if (!block) {
        m_badData = true;
        return;
    }
    Block = *block;
    Sound = t.NextToken();
}

#include "mainwindow/CallRows.h"

#include <algorithm>
#include <cstring>

#include "core/clsAttributeGroup.h"
#include "core/modAttributeGroup.h"

QStringView CallRow::cell(int column) const
{
    if (column < 0 || column >= CallRowTexts || !text)
        return {};
    if (column == 0)
        return QStringView(name, length[0]);
    qsizetype offset = 0;
    for (int c = 1; c < column; ++c)
        offset += length[size_t(c)];
    return QStringView(text + offset, length[size_t(column)]);
}

qsizetype CallRow::totalLength() const
{
    qsizetype n = 0;
    for (quint16 l : length)
        n += l;
    return n;
}

void storeCallRowTexts(TextArena& arena, CallRow& row, const std::array<QStringView, CallRowTexts>& texts)
{
    qsizetype total = 0;
    for (int c = 0; c < CallRowTexts; ++c) {
        const qsizetype n = std::min(texts[size_t(c)].size(), CallRowMaxText);
        row.length[size_t(c)] = quint16(n);
        total += n;
    }
    // The texts may lie in this arena already (one cell of a row rewritten): blocks never move, so they can
    // be read while the new place is written.
    char16_t* out = arena.allocate(total);
    row.name = out;
    row.text = out + row.length[0];
    for (int c = 0; c < CallRowTexts; ++c) {
        const qsizetype n = row.length[size_t(c)];
        if (n > 0)
            std::memcpy(out, texts[size_t(c)].utf16(), size_t(n) * sizeof(char16_t));
        out += n;
    }
}

void CallRowBatch::append(const std::array<QStringView, CallRowTexts>& texts, qint64 id, quint32 colour)
{
    CallRow row;
    storeCallRowTexts(text, row, texts);
    row.id = id;
    row.colour.fill(colour);
    rows.push_back(row);
}

quint32 CallRowColour(const QString& attributeGroup)
{
    if (attributeGroup.isEmpty())
        return 0;
    const auto group = GetAttributeGroup(attributeGroup);
    if (!group || group->Description.isEmpty() ||
        group->Description.compare(QLatin1String("<none>"), Qt::CaseInsensitive) == 0)
        return 0;
    return quint32(group->Color);
}

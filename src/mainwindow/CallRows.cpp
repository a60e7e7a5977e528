#include "mainwindow/CallRows.h"

#include <algorithm>
#include <cstring>

#include "core/clsAttributeGroup.h"
#include "core/modAttributeGroup.h"

QStringView CallRow::cell(int column) const
{
    if (column < 0 || column >= CallRowTexts || !text)
        return {};
    qsizetype offset = 0;
    for (int c = 0; c < column; ++c)
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

char16_t* TextArena::allocate(qsizetype n)
{
    if (!m_current || m_current->size - m_current->used < n) {
        // A text too long for a block gets a block of its own size.
        auto block = std::make_shared<Block>();
        block->size = std::max(BlockChars, n);
        block->data = std::make_unique_for_overwrite<char16_t[]>(size_t(block->size));
        m_current = block.get();
        m_blocks.push_back(std::move(block));
    }
    char16_t* at = m_current->data.get() + m_current->used;
    m_current->used += n;
    return at;
}

void TextArena::share(const TextArena& other)
{
    for (const auto& block : other.m_blocks) {
        if (std::none_of(m_blocks.cbegin(), m_blocks.cend(), [&](const auto& b) { return b == block; }))
            m_blocks.push_back(block);
    }
}

void TextArena::clear()
{
    m_blocks.clear();
    m_blocks.shrink_to_fit();
    m_current = nullptr;
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
    row.text = out;
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

#include "core/TextArena.h"

#include <algorithm>

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

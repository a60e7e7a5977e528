#pragma once

#include <QtGlobal>

#include <memory>
#include <vector>

// Text blocks that rows point into. Blocks never move or shrink while an arena holding them lives, and
// another arena may share them (rows copied from one arena to another keep pointing into the same blocks).
class TextArena {
public:
    // Room for n characters in one piece.
    char16_t* allocate(qsizetype n);
    // Keeps every block of other alive for as long as this arena lives.
    void share(const TextArena& other);
    void clear();
    qsizetype blockCount() const { return qsizetype(m_blocks.size()); }

    static constexpr qsizetype BlockChars = 64 * 1024;

private:
    struct Block {
        std::unique_ptr<char16_t[]> data;
        qsizetype size = 0;
        qsizetype used = 0;
    };
    std::vector<std::shared_ptr<Block>> m_blocks;
    Block* m_current = nullptr; // the block of this arena's own that takes new text
};

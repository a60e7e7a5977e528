#pragma once

#include <QString>
#include <QStringView>

#include <array>
#include <memory>
#include <vector>

// The call list's rows in compact form. A view of 100,000 calls would otherwise hold six separately
// allocated texts a row (and, while it is read, a record of eight more), so the rows keep their six texts
// side by side in large shared text blocks, and a refill hands its rows to the list without copying a text.

// The texts a row keeps: Name, Number, Date/Time, Rings, Answered and the record ID, in column order.
inline constexpr int CallRowTexts = 6;
// Columns with a fore colour and a bold flag (the ID column has none).
inline constexpr int CallRowStyled = 5;
// A text longer than this is cut: no field of a call comes near it.
inline constexpr qsizetype CallRowMaxText = 0xFFFF;

struct CallRow {
    const char16_t* text = nullptr; // the six texts back to back, in a TextArena's block
    std::array<quint16, CallRowTexts> length{};
    qint64 id = 0;
    std::array<quint32, CallRowStyled> colour{};
    quint8 bold = 0; // one bit per styled column

    QStringView cell(int column) const;
    qsizetype totalLength() const;
};

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

// Stores the six texts (each cut at CallRowMaxText) in the arena and points the row at them.
void storeCallRowTexts(TextArena& arena, CallRow& row, const std::array<QStringView, CallRowTexts>& texts);

// Rows read by a refill, with the text blocks they point into.
struct CallRowBatch {
    TextArena text;
    std::vector<CallRow> rows;

    // Appends a row; every styled column takes the colour.
    void append(const std::array<QStringView, CallRowTexts>& texts, qint64 id, quint32 colour);
};

// The fore colour of a caller's row: the colour of its attribute group, black without one (or "<none>").
quint32 CallRowColour(const QString& attributeGroup);

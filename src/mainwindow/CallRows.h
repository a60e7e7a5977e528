#pragma once

#include <QString>
#include <QStringView>

#include <array>
#include <vector>

#include "core/TextArena.h"

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
    // The name shown, and the five texts after it back to back, in TextArena blocks. The name usually lies
    // just before the others; it has a place of its own so that calls of one contact, or the copy of a
    // server's rows a client keeps, can share texts with the row.
    const char16_t* name = nullptr;
    const char16_t* text = nullptr;
    std::array<quint16, CallRowTexts> length{};
    qint64 id = 0;
    std::array<quint32, CallRowStyled> colour{};
    quint8 bold = 0; // one bit per styled column

    QStringView cell(int column) const;
    qsizetype totalLength() const;
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

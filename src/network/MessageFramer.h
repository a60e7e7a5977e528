#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Cuts one connection's incoming byte stream into dispatch units. Every send of a peer ends with the marker
// ";COMPLETE;COMPLETE;"; a unit is everything received up to and including a marker. The marker is looked
// for in the bytes themselves, not at the end of a read, so a unit comes out the same however the stream
// was split into reads (a marker torn across two reads included), and a multi-byte character torn across
// two reads is decoded whole. Units are UTF-8 text.
//
// A unit is at most maxUnitBytes, its marker included. A peer that sends more without a marker overflows:
// what was held is thrown away, the rest of that unit is skipped up to its marker, and overflowed() tells
// the owner, which may drop the connection. A longer unit that arrives whole in one read is skipped the
// same way, so what is taken does not depend on how the stream was split.
class MessageFramer {
public:
    static const QByteArray Marker; // ";COMPLETE;COMPLETE;"

    explicit MessageFramer(qsizetype maxUnitBytes = 8 * 1024 * 1024);

    // Adds one read's bytes and returns the units it completed, oldest first.
    QStringList feed(const QByteArray& chunk);

    // The text followed by the marker, as one send goes on the wire.
    static QByteArray frame(const QString& text);

    // True once a unit outgrew the bound (stays true until clear() or takeOverflow()).
    bool overflowed() const { return m_overflowed; }
    // Whether a unit outgrew the bound since the last call; the rest of that unit is still skipped.
    bool takeOverflow()
    {
        const bool was = m_overflowed;
        m_overflowed = false;
        return was;
    }
    // Bytes held of the unfinished unit.
    qsizetype pending() const { return m_buffer.size(); }
    qsizetype maxUnitBytes() const { return m_max; }
    // Forgets the unfinished unit and the overflow.
    void clear();

private:
    QByteArray m_buffer;
    qsizetype m_max;
    qsizetype m_searchFrom = 0; // marker search resumes here: earlier bytes are known to hold none
    bool m_skipping = false;    // inside the rest of an oversized unit
    bool m_overflowed = false;
};

#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Cuts the bytes a modem sends into its lines. A line ends at CR or at LF (CR LF is one end); a tab is a blank; NUL
// and the other control bytes are dropped wherever they are; the blanks around a line are dropped, and empty lines
// are no lines.
// Lines are handed out one at a time from the front, so a wait that runs while one line is handled (and reads on) keeps
// the order of everything that arrived. A line never holds more than MaxLineBytes: a longer one is no modem's, and is
// dropped at its CR, except for a caller-ID tag ("RING", "NMBR", "NAME") glued to its end, which is handed out from the
// tag on, so a modem that babbled without a line end and then says "RING" is heard however the bytes were read. A tag
// inside a name ("BRINGER") is no tag there. takeTooLong() says once for each such line that it was dropped.
class ModemLineAssembler {
public:
    static constexpr qsizetype MaxLineBytes = 4096;

    // One read's bytes.
    void append(const QByteArray& bytes);
    // The next whole line, decoded (decode()), or nothing until more bytes arrive.
    std::optional<QString> next();
    // True once after a line was dropped for its length.
    bool takeTooLong();
    // Bytes of the line in the making.
    const QByteArray& partial() const { return m_line; }
    void clear();

    // UTF-8; a byte that is not part of a valid sequence becomes U+FFFD, and control characters are dropped.
    static QString decode(const QByteArray& bytes);

private:
    QByteArray m_pending;
    qsizetype m_read = 0; // bytes of m_pending already taken
    QByteArray m_line;
    bool m_lineTooLong = false;
    bool m_dropped = false;
};

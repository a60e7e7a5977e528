#include "capture/ModemLines.h"

#include <algorithm>

void ModemLineAssembler::append(const QByteArray& bytes)
{
    // Lines are taken by position; the bytes already taken are let go when new ones come.
    if (m_read > 0 && (m_read == m_pending.size() || m_read > 64 * 1024)) {
        m_pending.remove(0, m_read);
        m_read = 0;
    }
    m_pending.append(bytes);
}

namespace {

// Where the line the call road reads begins in the tail of an over-long line, or -1. A modem that babbled
// and then said a tag without a CR between glues the tag to the babble's end; how the bytes were split into
// reads must not decide whether the tag is heard. A tag counts only where it begins a line of its kind:
// "RING" ends the line, "NMBR" and "NAME" are followed by a blank or "=". The first that counts wins, so a
// name that holds a tag ("BRINGER", "SPRINGFIELD MO", "SURNAME X", "DOERING") stays whole.
qsizetype lineTag(const QString& tail)
{
    qsizetype at = -1;
    for (const QLatin1String tag : {QLatin1String("NMBR"), QLatin1String("NAME")}) {
        for (qsizetype i = tail.indexOf(tag, 0, Qt::CaseInsensitive); i >= 0;
             i = tail.indexOf(tag, i + 1, Qt::CaseInsensitive)) {
            const qsizetype after = i + tag.size();
            const QChar next = after < tail.size() ? tail.at(after) : QChar();
            if (next == QLatin1Char(' ') || next == QLatin1Char('=')) {
                if (at < 0 || i < at)
                    at = i;
                break;
            }
        }
    }
    if (at < 0 && tail.endsWith(QLatin1String("RING"), Qt::CaseInsensitive))
        at = tail.size() - 4;
    return at;
}

} // namespace

std::optional<QString> ModemLineAssembler::next()
{
    while (m_read < m_pending.size()) {
        // A line ends at CR or at LF: a device that ends its lines with LF alone is heard too, and the empty
        // line between the two bytes of a CR LF is none.
        const char* from = m_pending.constData() + m_read;
        const char* to = m_pending.constData() + m_pending.size();
        const char* lineEnd = std::find_if(from, to, [](char c) { return c == '\r' || c == '\n'; });
        const qsizetype cr = lineEnd == to ? -1 : qsizetype(lineEnd - m_pending.constData());
        const qsizetype end = cr < 0 ? m_pending.size() : cr;
        for (qsizetype i = m_read; i < end; ++i) {
            char c = m_pending.at(i);
            const auto b = static_cast<unsigned char>(c);
            // A tab separates what it stands between as a blank does ("RING<TAB>2"); NUL and the other stray
            // control bytes would only corrupt the record.
            if (c == '\t')
                c = ' ';
            else if (b < 0x20 || b == 0x7f)
                continue;
            // Past the bound only the line's tail is kept, in halves so the cost per byte stays flat.
            if (m_line.size() == MaxLineBytes) {
                m_lineTooLong = true;
                m_line.remove(0, MaxLineBytes / 2);
            }
            m_line.append(c);
        }
        m_read = cr < 0 ? m_pending.size() : cr + 1;
        if (cr < 0)
            break;
        // The blanks around a line are no part of it: a modem that says "RING 2 " or " RING" rings all the
        // same, and every reader of a line (the result codes, the rings, the caller-ID tags) sees it bare.
        QString text = decode(m_line).trimmed();
        m_line.clear();
        if (m_lineTooLong) {
            m_lineTooLong = false;
            m_dropped = true;
            const qsizetype tag = lineTag(text);
            if (tag < 0)
                continue;
            text = text.mid(tag);
        }
        // A line of nothing but characters that are dropped is no line either.
        if (text.isEmpty())
            continue;
        return text;
    }
    return std::nullopt;
}

bool ModemLineAssembler::takeTooLong()
{
    const bool dropped = m_dropped;
    m_dropped = false;
    return dropped;
}

void ModemLineAssembler::clear()
{
    m_pending.clear();
    m_read = 0;
    m_line.clear();
    m_lineTooLong = false;
    m_dropped = false;
}

QString ModemLineAssembler::decode(const QByteArray& bytes)
{
    // Bytes that are not UTF-8 become replacement characters one by one; reading the whole line as Latin-1
    // instead would turn stray bytes into control characters.
    QString text = QString::fromUtf8(bytes);
    text.removeIf([](QChar c) { return c.category() == QChar::Other_Control; });
    return text;
}

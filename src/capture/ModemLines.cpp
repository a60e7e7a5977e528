#include "capture/ModemLines.h"

void ModemLineAssembler::append(const QByteArray& bytes)
{
    // Lines are taken by position; the bytes already taken are let go when new ones come.
    if (m_read > 0 && (m_read == m_pending.size() || m_read > 64 * 1024)) {
        m_pending.remove(0, m_read);
        m_read = 0;
    }
    // Once a line has passed the bound, the modem babbles until its next CR: each read that comes meanwhile
    // starts over, so a tag said after a pause is not glued to the babble's tail.
    if (m_babbling && m_read == m_pending.size()) {
        if (m_lineTooLong)
            m_dropped = true;
        m_lineTooLong = false;
        m_line.clear();
    }
    m_pending.append(bytes);
}

std::optional<QString> ModemLineAssembler::next()
{
    while (m_read < m_pending.size()) {
        qsizetype cr = m_pending.indexOf('\r', m_read);
        const qsizetype end = cr < 0 ? m_pending.size() : cr;
        for (qsizetype i = m_read; i < end; ++i) {
            const char c = m_pending.at(i);
            const auto b = static_cast<unsigned char>(c);
            // NUL and other stray control bytes would only corrupt the record.
            if (b < 0x20 || b == 0x7f)
                continue;
            if (m_line.size() < MaxLineBytes) {
                m_line.append(c);
            } else {
                m_lineTooLong = true;
                m_babbling = true;
            }
        }
        m_read = cr < 0 ? m_pending.size() : cr + 1;
        if (cr < 0)
            break;
        m_babbling = false;
        if (m_lineTooLong) {
            m_lineTooLong = false;
            m_dropped = true;
            m_line.clear();
            continue;
        }
        const QString text = decode(m_line);
        m_line.clear();
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
    m_babbling = false;
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

#include "network/MessageFramer.h"

#include <algorithm>

const QByteArray MessageFramer::Marker = QByteArrayLiteral(";COMPLETE;COMPLETE;");

MessageFramer::MessageFramer(qsizetype maxUnitBytes) : m_max(std::max<qsizetype>(maxUnitBytes, Marker.size())) {}

QByteArray MessageFramer::frame(const QString& text)
{
    // The marker goes where the conversion left room (it reserves more than ASCII needs), so a long answer is
    // held once in UTF-8 rather than twice.
    QByteArray framed = text.toUtf8();
    framed += Marker;
    return framed;
}

void MessageFramer::clear()
{
    m_buffer.clear();
    m_searchFrom = 0;
    m_skipping = false;
    m_overflowed = false;
}

QStringList MessageFramer::feed(const QByteArray& chunk)
{
    QStringList units;
    m_buffer += chunk;
    for (;;) {
        const qsizetype at = m_buffer.indexOf(Marker, m_searchFrom);
        if (at < 0)
            break;
        const qsizetype end = at + Marker.size();
        // A unit over the bound is skipped however it arrived, in pieces or in one read.
        if (!m_skipping && end > m_max)
            m_overflowed = true;
        else if (!m_skipping)
            units << QString::fromUtf8(m_buffer.constData(), end);
        m_skipping = false;
        m_buffer.remove(0, end);
        m_searchFrom = 0;
    }
    // Without a whole marker only its possible beginning, the last bytes, can still turn into one.
    m_searchFrom = std::max<qsizetype>(0, m_buffer.size() - (Marker.size() - 1));
    if (m_skipping || m_buffer.size() > m_max) {
        if (!m_skipping)
            m_overflowed = true;
        m_skipping = true;
        m_buffer.remove(0, m_searchFrom);
        m_searchFrom = 0;
    }
    return units;
}

#include "network/MessageFramer.h"

#include <QStringEncoder>

#include <algorithm>
#include <cstring>

const QByteArray MessageFramer::Marker = QByteArrayLiteral(";COMPLETE;COMPLETE;");

MessageFramer::MessageFramer(qsizetype maxUnitBytes) : m_max(std::max<qsizetype>(maxUnitBytes, Marker.size())) {}

QByteArray MessageFramer::frame(const QString& text)
{
    // A send is held until the peer has read it, so it takes its exact size: the plain conversion reserves
    // three bytes a character and keeps them, which thirty clients that read slowly hold three times over.
    qsizetype bytes = 0;
    const qsizetype n = text.size();
    const QChar* c = text.constData();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = c[i].unicode();
        if (u < 0x80) {
            bytes += 1;
        } else if (u < 0x800) {
            bytes += 2;
        } else if (!QChar::isSurrogate(u)) {
            bytes += 3;
        } else if (QChar::isHighSurrogate(u) && i + 1 < n && c[i + 1].isLowSurrogate()) {
            bytes += 4;
            ++i;
        } else {
            // A lone half of a pair (never typed, only made up): the plain conversion, whose '?' the peers
            // have always received, then given its size.
            QByteArray framed = text.toUtf8() + Marker;
            return framed;
        }
    }
    QByteArray framed(bytes + Marker.size(), Qt::Uninitialized);
    QStringEncoder utf8(QStringEncoder::Utf8, QStringConverter::Flag::Stateless);
    char* end = utf8.appendToBuffer(framed.data(), text);
    Q_ASSERT(end - framed.constData() == bytes);
    std::memcpy(end, Marker.constData(), size_t(Marker.size()));
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
    // Taking a unit off the front keeps the buffer's room; a request of megabytes would leave it held for as
    // long as the connection lasts.
    if (m_buffer.isEmpty())
        m_buffer = QByteArray();
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

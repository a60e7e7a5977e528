#include "core/clsTokenizer.h"

void clsTokenizer::SetTokenizer(const QString& text, const QString& delimiter, bool removeEmpty)
{
    m_tokens.clear();
    if (!text.isEmpty()) {
        // An empty delimiter cannot split anything: the whole text is the one token.
        if (delimiter.isEmpty())
            m_tokens << text;
        else
            m_tokens = text.split(delimiter, removeEmpty ? Qt::SkipEmptyParts : Qt::KeepEmptyParts, Qt::CaseSensitive);
    }
    if (removeEmpty && m_tokens.isEmpty())
        m_tokens << QString();
    m_current = 0;
    m_count = qint32(m_tokens.size()) - 1;
    m_more = !m_tokens.isEmpty();
}

QString clsTokenizer::NextToken()
{
    if (!m_more)
        return QString();
    const QString token = m_tokens.at(m_current);
    if (m_current == m_count)
        m_more = false;
    ++m_current;
    return token;
}

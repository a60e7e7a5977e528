#pragma once

#include <QString>
#include <QStringList>

// Splits a text at a delimiter and hands the pieces out one by one. The settings lists, the record text
// forms and the network messages are all read with it. Indices are 32-bit: a long client message may
// carry far more than 32768 tokens.
class clsTokenizer {
public:
    clsTokenizer() = default;
    clsTokenizer(const QString& text, const QString& delimiter, bool removeEmpty = false)
    {
        SetTokenizer(text, delimiter, removeEmpty);
    }

    // An empty text gives no tokens; with removeEmpty a text without any non-empty token gives one empty
    // token, so a reader always finds at least one item.
    void SetTokenizer(const QString& text, const QString& delimiter, bool removeEmpty);
    // The next token, or "" when none is left.
    QString NextToken();

    bool MoreTokens() const { return m_more; }
    // The index of the last token (number of tokens minus one, -1 for none), not the number of tokens.
    qint32 TokenCount() const { return m_count; }
    // The index of the token NextToken returns next.
    qint32 CurrentToken() const { return m_current; }

private:
    QStringList m_tokens;
    qint32 m_count = -1;
    qint32 m_current = 0;
    bool m_more = false;
};

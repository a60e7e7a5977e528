#include "platform/IniFile.h"

#include <QList>
#include <QStringDecoder>
#include <QUtf8StringView>

namespace IniFile {

namespace {

const char kHex[] = "0123456789ABCDEF";
const QString kGeneral = QStringLiteral("General");

const QByteArray kByteOrderMark("\xEF\xBB\xBF");

// UTF-8 text as it stands: the plain decoder takes a U+FEFF at the start for an encoding mark and drops it,
// which would change a value that begins with one.
QString decode(const char* bytes, qsizetype size)
{
    QStringDecoder decoder(QStringDecoder::Utf8,
                           QStringDecoder::Flag::ConvertInitialBom | QStringDecoder::Flag::Stateless);
    return decoder.decode(QByteArrayView(bytes, size));
}

QString decode(const QByteArray& bytes) { return decode(bytes.constData(), bytes.size()); }

bool isHexDigit(char16_t c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Section and key names: letters, digits, "_", "-" and "." as they are; "/" as "\"; anything else as %XX
// or %UXXXX.
QByteArray escapeName(const QString& name)
{
    QByteArray out;
    out.reserve(name.size());
    for (const QChar qc : name) {
        const char16_t c = qc.unicode();
        if (c == '/') {
            out += '\\';
        } else if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
                   c == '.') {
            out += char(c);
        } else if (c <= 0xFF) {
            out += '%';
            out += kHex[c / 16];
            out += kHex[c % 16];
        } else {
            out += "%U";
            out += kHex[(c >> 12) & 0xF];
            out += kHex[(c >> 8) & 0xF];
            out += kHex[(c >> 4) & 0xF];
            out += kHex[c & 0xF];
        }
    }
    return out;
}

QString unescapeName(const QString& text)
{
    QString out;
    out.reserve(text.size());
    qsizetype i = 0;
    while (i < text.size()) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\\')) {
            out += QLatin1Char('/');
            ++i;
            continue;
        }
        if (c != QLatin1Char('%') || i == text.size() - 1) {
            out += c;
            ++i;
            continue;
        }
        qsizetype first = i + 1;
        int digits = 2;
        if (text.at(first) == QLatin1Char('U')) {
            ++first;
            digits = 4;
        }
        bool ok = first + digits <= text.size();
        ushort value = 0;
        if (ok)
            value = QStringView(text).sliced(first, digits).toUShort(&ok, 16);
        if (!ok) {
            out += QLatin1Char('%');
            ++i;
            continue;
        }
        out += QChar(value);
        i = first + digits;
    }
    return out;
}

// A section other than the general one whose name reads as "General" in any case ("GeNeral", from an
// escaped heading) must not be taken for it when read back: its first letter is written escaped.
QByteArray sectionHeading(const QString& section)
{
    if (section.compare(kGeneral, Qt::CaseInsensitive) != 0)
        return escapeName(section);
    const char16_t first = section.front().unicode();
    return QByteArray("%") + kHex[first / 16] + kHex[first % 16] + escapeName(section.mid(1));
}

enum class ValueResult { Text, Absent, Damaged };

ValueResult unescape(const QByteArray& raw, QString& result)
{
    static const char escapes[][2] = {{'a', '\a'}, {'b', '\b'}, {'f', '\f'}, {'n', '\n'},  {'r', '\r'}, {'t', '\t'},
                                      {'v', '\v'}, {'"', '"'},  {'?', '?'},  {'\'', '\''}, {'\\', '\\'}};
    QStringList pieces;
    QString current;
    bool quoted = false;         // inside "..."
    bool pieceWasQuoted = false; // the piece had quotes: its blanks are its own
    qsizetype keepFrom = 0;      // blanks before this position of current are not trailing blanks to cut
    qsizetype i = 0;
    const qsizetype n = raw.size();
    auto skipBlanks = [&] {
        while (i < n && (raw.at(i) == ' ' || raw.at(i) == '\t'))
            ++i;
    };
    auto chopBlanks = [&] {
        if (pieceWasQuoted)
            return;
        qsizetype end = current.size();
        while (end > keepFrom && (current.at(end - 1) == QLatin1Char(' ') || current.at(end - 1) == QLatin1Char('\t')))
            --end;
        current.truncate(end);
    };
    skipBlanks();
    while (i < n) {
        const char c = raw.at(i);
        if (c == '\\') {
            ++i;
            if (i >= n)
                break;
            const char e = raw.at(i++);
            bool mapped = false;
            for (const auto& pair : escapes) {
                if (e == pair[0]) {
                    current += QLatin1Char(pair[1]);
                    mapped = true;
                    break;
                }
            }
            if (!mapped && e == 'x') {
                if (i < n && hexValue(raw.at(i)) >= 0) {
                    char16_t v = 0;
                    while (i < n && hexValue(raw.at(i)) >= 0)
                        v = char16_t((v << 4) + hexValue(raw.at(i++)));
                    current += QChar(v);
                }
            } else if (!mapped && e >= '0' && e <= '7') {
                char16_t v = char16_t(e - '0');
                while (i < n && raw.at(i) >= '0' && raw.at(i) <= '7')
                    v = char16_t((v << 3) + (raw.at(i++) - '0'));
                current += QChar(v);
            }
            // Any other escaped character is dropped, as the dialect always did.
            keepFrom = current.size();
            continue;
        }
        if (c == '"') {
            ++i;
            pieceWasQuoted = true;
            quoted = !quoted;
            if (!quoted)
                skipBlanks();
            continue;
        }
        if (c == ',' && !quoted) {
            chopBlanks();
            pieces << current;
            current.clear();
            keepFrom = 0;
            pieceWasQuoted = false;
            ++i;
            skipBlanks();
            continue;
        }
        qsizetype j = i + 1;
        while (j < n && raw.at(j) != '\\' && raw.at(j) != '"' && (raw.at(j) != ',' || quoted))
            ++j;
        current += decode(raw.constData() + i, j - i);
        i = j;
    }
    if (quoted)
        return ValueResult::Damaged;
    chopBlanks();
    if (!pieces.isEmpty()) {
        // A bare a,b list (a hand edit) is the text it was typed as, without the blanks around the commas.
        pieces << current;
        result = pieces.join(QLatin1Char(','));
        return ValueResult::Text;
    }
    if (current.startsWith(QLatin1Char('@'))) {
        if (current.startsWith(QLatin1String("@@"))) {
            current.remove(0, 1);
        } else if (current.startsWith(QLatin1String("@ByteArray(")) && current.endsWith(QLatin1Char(')'))) {
            current = current.mid(11, current.size() - 12);
        } else if (current.startsWith(QLatin1String("@String(")) && current.endsWith(QLatin1Char(')'))) {
            current = current.mid(8, current.size() - 9); // how the common writer keeps a text with a NUL
        } else if (current == QLatin1String("@Invalid()") || current.startsWith(QLatin1String("@Variant("))) {
            return ValueResult::Absent;
        }
    }
    result = current;
    return ValueResult::Text;
}

// A section or key name the "section/key" form can carry: not empty, and no empty part between its "/".
bool isName(const QString& name)
{
    return !name.isEmpty() && !name.startsWith(QLatin1Char('/')) && !name.endsWith(QLatin1Char('/')) &&
           !name.contains(QStringLiteral("//"));
}

bool isText(const QByteArray& line)
{
    for (const char ch : line) {
        const auto b = static_cast<unsigned char>(ch);
        if ((b < 0x20 && b != '\t') || b == 0x7F)
            return false;
    }
    return QUtf8StringView(line).isValidUtf8();
}

} // namespace

QByteArray escapeValue(const QString& value)
{
    QString text;
    text.reserve(value.size() + 2);
    bool needsQuotes = false;
    bool escapeNextIfDigit = false;
    // A value of ours that begins with "@" must not read back as a stored non-text value.
    const QString source = value.startsWith(QLatin1Char('@')) ? QLatin1Char('@') + value : value;
    for (qsizetype i = 0; i < source.size(); ++i) {
        const QChar qc = source.at(i);
        const char16_t c = qc.unicode();
        if (c == ';' || c == ',' || c == '=')
            needsQuotes = true;
        if (escapeNextIfDigit && isHexDigit(c)) {
            text += QStringLiteral("\\x") + QString::number(c, 16);
            continue;
        }
        escapeNextIfDigit = false;
        switch (c) {
        case '\0':
            text += QStringLiteral("\\0");
            escapeNextIfDigit = true;
            break;
        case '\a':
            text += QStringLiteral("\\a");
            break;
        case '\b':
            text += QStringLiteral("\\b");
            break;
        case '\f':
            text += QStringLiteral("\\f");
            break;
        case '\n':
            text += QStringLiteral("\\n");
            break;
        case '\r':
            text += QStringLiteral("\\r");
            break;
        case '\t':
            text += QStringLiteral("\\t");
            break;
        case '\v':
            text += QStringLiteral("\\v");
            break;
        case '"':
        case '\\':
            text += QLatin1Char('\\');
            text += qc;
            break;
        default:
            if (qc.isHighSurrogate() && i + 1 < source.size() && source.at(i + 1).isLowSurrogate()) {
                text += qc;
                text += source.at(++i);
            } else if (c <= 0x1F || c == 0x7F || qc.isSurrogate() || c == 0xFEFF) {
                // A half of a character pair has no UTF-8 form of its own; U+FEFF would be taken for an
                // encoding mark by other readers of the file.
                text += QStringLiteral("\\x") + QString::number(c, 16);
                escapeNextIfDigit = true;
            } else {
                text += qc;
            }
        }
    }
    if (needsQuotes || (!text.isEmpty() && (text.front() == QLatin1Char(' ') || text.back() == QLatin1Char(' '))))
        text = QLatin1Char('"') + text + QLatin1Char('"');
    return text.toUtf8();
}

bool unescapeValue(const QByteArray& text, QString& value)
{
    QString result;
    if (unescape(text, result) != ValueResult::Text)
        return false;
    value = result;
    return true;
}

Parsed parse(const QByteArray& bytes)
{
    Parsed out;
    QString section = kGeneral;
    bool sectionDamaged = false;
    auto damaged = [&out](int lineNumber) {
        if (out.damagedLines++ == 0)
            out.firstDamagedLine = lineNumber;
    };
    // Some editors begin every file they save with the mark; it belongs to no line.
    qsizetype start = bytes.startsWith(kByteOrderMark) ? kByteOrderMark.size() : 0;
    int lineNumber = 0;
    const qsizetype n = bytes.size();
    while (start <= n) {
        qsizetype end = start;
        while (end < n && bytes.at(end) != '\n' && bytes.at(end) != '\r')
            ++end;
        const QByteArray line = bytes.mid(start, end - start);
        // "\r\n" is one line end, as is a lone "\r" or "\n".
        if (end < n && bytes.at(end) == '\r' && end + 1 < n && bytes.at(end + 1) == '\n')
            ++end;
        start = end + 1;
        ++lineNumber;

        const QByteArray trimmed = line.trimmed();
        if (trimmed.isEmpty())
            continue;
        if (!isText(line)) {
            damaged(lineNumber);
            continue;
        }
        if (trimmed.startsWith(';') || trimmed.startsWith('#'))
            continue;
        if (trimmed.startsWith('[')) {
            if (!trimmed.endsWith(']') || trimmed.size() < 3) {
                damaged(lineNumber);
                sectionDamaged = true;
                continue;
            }
            // "[General]" and "[%General]" both name the general section; only the written form says which, an
            // escaped "%25General" is a section of its own.
            const QString heading = decode(trimmed.mid(1, trimmed.size() - 2));
            if (heading.compare(QLatin1String("%General"), Qt::CaseInsensitive) == 0 ||
                heading.compare(kGeneral, Qt::CaseInsensitive) == 0)
                section = kGeneral;
            else
                section = unescapeName(heading);
            sectionDamaged = !isName(section);
            if (sectionDamaged)
                damaged(lineNumber);
            continue;
        }
        const qsizetype eq = line.indexOf('=');
        const QString key = eq < 0 ? QString() : unescapeName(decode(line.left(eq).trimmed()));
        if (sectionDamaged || !isName(key)) {
            damaged(lineNumber);
            continue;
        }
        QString value;
        switch (unescape(line.mid(eq + 1), value)) {
        case ValueResult::Text:
            out.values.insert(section + QLatin1Char('/') + key, value);
            break;
        case ValueResult::Absent:
            break;
        case ValueResult::Damaged:
            damaged(lineNumber);
            break;
        }
    }
    return out;
}

QByteArray serialize(const Values& values)
{
    QByteArray out;
    QString section;
    bool first = true;
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        const qsizetype cut = it.key().indexOf(QLatin1Char('/'));
        const QString keySection = cut < 0 ? kGeneral : it.key().left(cut);
        const QString key = cut < 0 ? it.key() : it.key().mid(cut + 1);
        if (first || keySection != section) {
            if (!first)
                out += '\n';
            first = false;
            section = keySection;
            out += '[';
            out += section == kGeneral ? QByteArray("%General") : sectionHeading(section);
            out += "]\n";
        }
        out += escapeName(key);
        out += '=';
        out += escapeValue(it.value());
        out += '\n';
    }
    return out;
}

} // namespace IniFile

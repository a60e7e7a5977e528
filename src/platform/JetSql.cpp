#include "platform/JetSql.h"

#include "platform/Clock.h"
#include "platform/DateText.h"
#include "platform/SqlDatabase.h"
#include "platform/SqlError.h"

#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace JetSql {

namespace {

// ---------------------------------------------------------------------------------------------------------
// Translation

bool isWordChar(QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_'); }

[[noreturn]] void badSql(const QString& message) { throw SqlError(SqlError::Kind::BadSql, SQLITE_ERROR, message); }

QString quoted(const QString& text)
{
    QString out = text;
    out.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + out + QLatin1Char('\'');
}

qsizetype skipBlanks(const QString& s, qsizetype i)
{
    while (i < s.size() && s.at(i).isSpace())
        ++i;
    return i;
}

qsizetype wordEnd(const QString& s, qsizetype i)
{
    while (i < s.size() && isWordChar(s.at(i)))
        ++i;
    return i;
}

// ---------------------------------------------------------------------------------------------------------
// Like

constexpr qsizetype kMaxPatternLength = 1000;
constexpr qint64 kMaxMatchWork = 50'000'000; // pattern elements x value characters
const char kTooComplex[] = "Like pattern too complex";

// Our own work inside one step of a query looks at the query this often (comparisons of one character): well
// under a millisecond, so the query's deadline and its give-way to the calls come as they do between SQLite's
// own steps, however long one match is.
constexpr qint64 kWorkPerLook = 32 * 1024;

// The query this work belongs to is to stop (its time is up, or it was cancelled while it gave way).
struct Stopped {};

// The work of one call of a function, looked at every kWorkPerLook of it (SqlDatabase::keepWorking).
class WorkMeter {
public:
    void add(qint64 units)
    {
        m_units += units;
        if (m_units >= kWorkPerLook) {
            m_units = 0;
            if (!SqlDatabase::keepWorking())
                throw Stopped{};
        }
    }

private:
    qint64 m_units = 0;
};

struct Element {
    enum Type { Literal, AnyOne, Digit, AnyRun, Class } type = Literal;
    char32_t ch = 0;
    bool negated = false;
    std::vector<std::pair<char32_t, char32_t>> ranges;
};

struct Pattern {
    std::vector<Element> elements;
    // What every match must have, for a quick refusal: the elements before the first star and after the
    // last one each take exactly one character at the value's start and end.
    bool hasStar = false;
    size_t prefix = 0, suffix = 0;
    // "*text*": a plain search for the text does the whole match.
    std::vector<char32_t> contains;
};

char32_t fold(char32_t c) { return QChar::toCaseFolded(c); }

std::vector<char32_t> foldedCodePoints(const QString& text)
{
    std::vector<char32_t> out;
    out.reserve(size_t(text.size()));
    for (char32_t c : text.toUcs4())
        out.push_back(fold(c));
    return out;
}

Pattern compile(const QString& patternText)
{
    if (patternText.size() > kMaxPatternLength)
        throw SqlError(SqlError::Kind::TooComplex, SQLITE_ERROR, QLatin1String(kTooComplex));
    const std::vector<char32_t> p = foldedCodePoints(patternText);
    Pattern pattern;
    for (size_t i = 0; i < p.size(); ++i) {
        Element e;
        switch (p[i]) {
        case U'*':
            // A run of stars is one star; keeping one makes the matcher's work smaller.
            if (!pattern.elements.empty() && pattern.elements.back().type == Element::AnyRun)
                continue;
            e.type = Element::AnyRun;
            break;
        case U'?':
            e.type = Element::AnyOne;
            break;
        case U'#':
            e.type = Element::Digit;
            break;
        case U'[': {
            size_t j = i + 1;
            e.type = Element::Class;
            if (j < p.size() && p[j] == U'!') {
                e.negated = true;
                ++j;
            }
            const size_t first = j;
            while (j < p.size() && p[j] != U']')
                ++j;
            if (j >= p.size())
                badSql(QStringLiteral("Invalid pattern string: unclosed [ in '%1'.").arg(patternText));
            // [] matches the empty text: it adds nothing.
            if (j == first && !e.negated) {
                i = j;
                continue;
            }
            for (size_t k = first; k < j; ++k) {
                // a-z is a range; a '-' first or last in the list is the character itself.
                if (k + 2 < j && p[k + 1] == U'-') {
                    if (p[k] > p[k + 2])
                        badSql(QStringLiteral("Invalid pattern string: range out of order in '%1'.").arg(patternText));
                    e.ranges.emplace_back(p[k], p[k + 2]);
                    k += 2;
                } else {
                    e.ranges.emplace_back(p[k], p[k]);
                }
            }
            i = j;
            break;
        }
        default:
            e.type = Element::Literal;
            e.ch = p[i];
            break;
        }
        pattern.elements.push_back(std::move(e));
    }
    const auto& el = pattern.elements;
    for (const Element& e : el)
        pattern.hasStar = pattern.hasStar || e.type == Element::AnyRun;
    if (pattern.hasStar) {
        while (pattern.prefix < el.size() && el[pattern.prefix].type != Element::AnyRun)
            ++pattern.prefix;
        while (pattern.suffix < el.size() && el[el.size() - 1 - pattern.suffix].type != Element::AnyRun)
            ++pattern.suffix;
        if (el.size() >= 3 && pattern.prefix == 0 && pattern.suffix == 0) {
            bool plain = true;
            for (size_t i = 1; i + 1 < el.size(); ++i)
                plain = plain && el[i].type == Element::Literal;
            if (plain) {
                for (size_t i = 1; i + 1 < el.size(); ++i)
                    pattern.contains.push_back(el[i].ch);
            }
        }
    }
    return pattern;
}

bool matchesOne(const Element& e, char32_t c)
{
    switch (e.type) {
    case Element::Literal:
        return e.ch == c;
    case Element::AnyOne:
        return true;
    case Element::Digit:
        return c >= U'0' && c <= U'9';
    case Element::Class: {
        bool in = false;
        for (const auto& [lo, hi] : e.ranges) {
            if (c >= lo && c <= hi) {
                in = true;
                break;
            }
        }
        return in != e.negated;
    }
    case Element::AnyRun:
        break;
    }
    return false;
}

// Every element but the star takes exactly one character, so going back to the last star is enough:
// the work is bounded by elements x characters, whatever the pattern.
// The first place at or after from where needle stands in hay, or hay.size(): up to every character of the
// needle at every place, so its work is counted.
size_t findIn(const std::vector<char32_t>& hay, size_t from, const std::vector<char32_t>& needle, WorkMeter* meter)
{
    const size_t m = needle.size();
    for (size_t at = from; at + m <= hay.size(); ++at) {
        size_t k = 0;
        while (k < m && hay[at + k] == needle[k])
            ++k;
        if (k == m)
            return at;
        if (meter)
            meter->add(qint64(k) + 1);
    }
    return hay.size();
}

// meter: the work's account inside a query (nullptr outside one).
bool match(const Pattern& pattern, const std::vector<char32_t>& value, WorkMeter* meter = nullptr)
{
    const auto& el = pattern.elements;
    if (qint64(el.size()) * qint64(value.size() + 1) > kMaxMatchWork)
        throw SqlError(SqlError::Kind::TooComplex, SQLITE_ERROR, QLatin1String(kTooComplex));
    const size_t m = el.size();
    const size_t n = value.size();
    if (pattern.hasStar) {
        if (n < pattern.prefix + pattern.suffix)
            return false;
        for (size_t i = 0; i < pattern.prefix; ++i) {
            if (!matchesOne(el[i], value[i]))
                return false;
        }
        for (size_t i = 0; i < pattern.suffix; ++i) {
            if (!matchesOne(el[m - 1 - i], value[n - 1 - i]))
                return false;
        }
        if (!pattern.contains.empty())
            return findIn(value, 0, pattern.contains, meter) != value.size();
    }
    size_t p = 0, v = 0;
    size_t starP = size_t(-1), starV = 0;
    while (v < n) {
        if (meter)
            meter->add(1);
        if (p < m && el[p].type == Element::AnyRun) {
            starP = p++;
            starV = v;
            continue;
        }
        if (p < m && matchesOne(el[p], value[v])) {
            ++p;
            ++v;
            continue;
        }
        if (starP != size_t(-1)) {
            p = starP + 1;
            v = ++starV;
            continue;
        }
        return false;
    }
    while (p < m && el[p].type == Element::AnyRun)
        ++p;
    return p == m;
}

} // namespace

// The folded characters Like matches against, straight from SQLite's UTF-8: this runs once per row and
// pattern, so it avoids QString and QDateTime. A stored ISO date becomes "M/d/yyyy h:mm:ss am" (folded).
void likeSubject(const char* utf8, int bytes, std::vector<char32_t>& out)
{
    out.clear();
    const auto* s = reinterpret_cast<const unsigned char*>(utf8);
    if (bytes == 19) {
        auto digit = [&](int i) { return s[i] >= '0' && s[i] <= '9'; };
        auto num = [&](int i, int n) {
            int v = 0;
            for (int k = 0; k < n; ++k)
                v = v * 10 + (s[i + k] - '0');
            return v;
        };
        bool iso = s[4] == '-' && s[7] == '-' && s[10] == ' ' && s[13] == ':' && s[16] == ':';
        for (int i : {0, 1, 2, 3, 5, 6, 8, 9, 11, 12, 14, 15, 17, 18})
            iso = iso && digit(i);
        if (iso) {
            const int month = num(5, 2), day = num(8, 2), hour = num(11, 2), minute = num(14, 2), second = num(17, 2);
            if (month >= 1 && month <= 12 && day >= 1 && day <= 31 && hour < 24 && minute < 60 && second < 60) {
                auto put = [&](int v, bool pad) {
                    if (v >= 10 || pad)
                        out.push_back(char32_t(U'0' + v / 10));
                    out.push_back(char32_t(U'0' + v % 10));
                };
                put(month, false);
                out.push_back(U'/');
                put(day, false);
                out.push_back(U'/');
                for (int i = 0; i < 4; ++i)
                    out.push_back(char32_t(s[i]));
                out.push_back(U' ');
                put(hour % 12 == 0 ? 12 : hour % 12, false);
                out.push_back(U':');
                put(minute, true);
                out.push_back(U':');
                put(second, true);
                out.push_back(U' ');
                out.push_back(hour < 12 ? U'a' : U'p');
                out.push_back(U'm');
                return;
            }
        }
    }
    for (int i = 0; i < bytes;) {
        const unsigned char b = s[i];
        char32_t c = b;
        int len = 1;
        if (b >= 0x80) {
            // Decode one UTF-8 sequence; a byte that does not start a valid one stands for itself (Latin-1).
            int need = (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : (b & 0xF8) == 0xF0 ? 3 : -1;
            if (need > 0 && i + need < bytes) {
                char32_t v = b & (0x3F >> need);
                bool ok = true;
                for (int k = 1; ok && k <= need; ++k) {
                    ok = (s[i + k] & 0xC0) == 0x80;
                    v = (v << 6) | (s[i + k] & 0x3F);
                }
                if (ok && v >= 0x80 && v <= 0x10FFFF) {
                    c = v;
                    len = need + 1;
                }
            }
        }
        out.push_back(c < 0x80 ? char32_t(c >= U'A' && c <= U'Z' ? c + 32 : c) : fold(c));
        i += len;
    }
}

namespace {

// ---------------------------------------------------------------------------------------------------------
// SQLite glue

QString argText(sqlite3_value* v)
{
    const auto* data = reinterpret_cast<const char*>(sqlite3_value_text(v));
    return data ? QString::fromUtf8(data, sqlite3_value_bytes(v)) : QString();
}

void resultText(sqlite3_context* ctx, const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    sqlite3_result_text(ctx, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
}

void resultError(sqlite3_context* ctx, const QString& message)
{
    const QByteArray utf8 = message.toUtf8();
    sqlite3_result_error(ctx, utf8.constData(), int(utf8.size()));
}

bool anyNull(int argc, sqlite3_value** argv)
{
    for (int i = 0; i < argc; ++i) {
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL)
            return true;
    }
    return false;
}

const QString kTypeMismatch = QStringLiteral("Data type mismatch in criteria expression.");
const QString kInvalidCall = QStringLiteral("Invalid procedure call or argument.");
const QString kOverflow = QStringLiteral("Overflow.");

struct FunctionError {
    QString message;
};

// A result longer than the connection lets a value be.
struct TooBig {};

std::optional<qint64> argNumber(sqlite3_value* v)
{
    const int type = sqlite3_value_numeric_type(v);
    if (type == SQLITE_INTEGER)
        return sqlite3_value_int64(v);
    if (type == SQLITE_FLOAT) {
        // Rounded only within the 64-bit range; beyond it the conversion would give any number at all.
        const double d = sqlite3_value_double(v);
        if (!std::isfinite(d) || std::fabs(d) >= 9.2e18)
            throw FunctionError{kOverflow};
        return qint64(std::llround(d));
    }
    return std::nullopt;
}

qint64 argInteger(sqlite3_value* v)
{
    if (auto n = argNumber(v))
        return *n;
    throw FunctionError{kTypeMismatch};
}

QDateTime argDate(sqlite3_value* v)
{
    const int type = sqlite3_value_type(v);
    if (type == SQLITE_INTEGER || type == SQLITE_FLOAT) {
        // A number is a serial date: days since the zero date, the fraction being the time of day.
        const double serial = sqlite3_value_double(v);
        // Beyond the years 100 to 9999 a number is no date.
        if (!std::isfinite(serial) || serial < -657434.0 || serial >= 2958466.0)
            throw FunctionError{kOverflow};
        const QDateTime zero(DateText::zeroDate(), QTime(0, 0), Qt::UTC);
        return zero.addSecs(qint64(std::llround(serial * 86400.0)));
    }
    if (auto parsed = DateText::parse(argText(v)))
        return *parsed;
    throw FunctionError{kTypeMismatch};
}

template <typename Body>
void guarded(sqlite3_context* ctx, Body body)
{
    try {
        body();
    } catch (const FunctionError& e) {
        resultError(ctx, e.message);
    } catch (const SqlError& e) {
        resultError(ctx, e.message());
    } catch (const Stopped&) {
        // The statement ends as SQLite's own interrupt ends it.
        sqlite3_result_error_code(ctx, SQLITE_INTERRUPT);
    } catch (const TooBig&) {
        sqlite3_result_error_toobig(ctx);
    }
}

const std::vector<char32_t>& valueSubject(sqlite3_value* v)
{
    static thread_local std::vector<char32_t> subject;
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(v));
    likeSubject(text ? text : "", text ? sqlite3_value_bytes(v) : 0, subject);
    return subject;
}

// The compiled patterns of one connection, by their text. A search over a whole contact book names thousands
// of patterns in one statement; SQLite's own cache for a function's constant argument is a list that every
// call walks, which made such a search take the square of its length. It holds at most the patterns of the
// longest query a client may send, whatever the connection runs over its life.
struct PatternCache {
    static constexpr size_t kMostBytes = 1024 * 1024;
    std::unordered_map<std::string, Pattern> patterns;
    size_t bytes = 0;
};

void likeFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    if (anyNull(argc, argv)) {
        sqlite3_result_null(ctx);
        return;
    }
    guarded(ctx, [&] {
        auto& cache = *static_cast<PatternCache*>(sqlite3_user_data(ctx));
        const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
        std::string key(text ? text : "", size_t(sqlite3_value_bytes(argv[0])));
        auto found = cache.patterns.find(key);
        if (found == cache.patterns.end()) {
            Pattern compiled = compile(argText(argv[0]));
            if (cache.bytes + key.size() > PatternCache::kMostBytes) {
                cache.patterns.clear();
                cache.bytes = 0;
            }
            cache.bytes += key.size();
            found = cache.patterns.emplace(std::move(key), std::move(compiled)).first;
        }
        WorkMeter meter;
        sqlite3_result_int(ctx, match(found->second, valueSubject(argv[1]), &meter) ? 1 : 0);
    });
}

void likeEscapeFunction(sqlite3_context* ctx, int, sqlite3_value**)
{
    resultError(ctx, QStringLiteral("Like has no ESCAPE clause here: put a special character in brackets, "
                                    "as in [*]."));
}

void nowFunction(sqlite3_context* ctx, int, sqlite3_value**)
{
    QDateTime now = Clock::now();
    now.setTime(QTime(now.time().hour(), now.time().minute(), now.time().second()));
    resultText(ctx, DateText::toIso(now));
}

void dateFunction(sqlite3_context* ctx, int, sqlite3_value**)
{
    resultText(ctx, DateText::toIso(QDateTime(Clock::now().date(), QTime(0, 0), Qt::UTC)));
}

template <int Part>
void datePartFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    if (anyNull(argc, argv)) {
        sqlite3_result_null(ctx);
        return;
    }
    guarded(ctx, [&] {
        const QDateTime d = argDate(argv[0]);
        int value = 0;
        switch (Part) {
        case 0:
            value = d.date().year();
            break;
        case 1:
            value = d.date().month();
            break;
        case 2:
            value = d.date().day();
            break;
        case 3:
            value = d.time().hour();
            break;
        case 4:
            value = d.time().minute();
            break;
        case 5:
            value = d.time().second();
            break;
        case 6: {
            // Sunday = 1 unless a first day of the week (1 Sunday .. 7 Saturday) is given.
            const int sundayBased = d.date().dayOfWeek() % 7 + 1;
            qint64 first = argc > 1 ? argInteger(argv[1]) : 1;
            if (first == 0)
                first = 1;
            if (first < 1 || first > 7)
                throw FunctionError{kInvalidCall};
            value = int((sundayBased - first + 7) % 7 + 1);
            break;
        }
        }
        sqlite3_result_int(ctx, value);
    });
}

void ucaseFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    if (anyNull(argc, argv))
        return sqlite3_result_null(ctx);
    resultText(ctx, argText(argv[0]).toUpper());
}

void lcaseFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    if (anyNull(argc, argv))
        return sqlite3_result_null(ctx);
    resultText(ctx, argText(argv[0]).toLower());
}

// The text functions count characters, not UTF-16 units, so a name with an emoji still cuts right.
void lenFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    if (anyNull(argc, argv))
        return sqlite3_result_null(ctx);
    sqlite3_result_int64(ctx, argText(argv[0]).toUcs4().size());
}

void cutResult(sqlite3_context* ctx, const QList<uint>& chars, qint64 from, qint64 count)
{
    const qint64 size = chars.size();
    from = std::clamp<qint64>(from, 0, size);
    count = std::clamp<qint64>(count, 0, size - from);
    resultText(ctx, QString::fromUcs4(reinterpret_cast<const char32_t*>(chars.constData() + from), count));
}

void leftFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    if (anyNull(argc, argv))
        return sqlite3_result_null(ctx);
    guarded(ctx, [&] {
        const qint64 n = argInteger(argv[1]);
        if (n < 0)
            throw FunctionError{kInvalidCall};
        cutResult(ctx, argText(argv[0]).toUcs4(), 0, n);
    });
}

void rightFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    if (anyNull(argc, argv))
        return sqlite3_result_null(ctx);
    guarded(ctx, [&] {
        const qint64 n = argInteger(argv[1]);
        if (n < 0)
            throw FunctionError{kInvalidCall};
        const QList<uint> chars = argText(argv[0]).toUcs4();
        const qint64 count = std::min<qint64>(n, chars.size());
        cutResult(ctx, chars, chars.size() - count, count);
    });
}

void midFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return sqlite3_result_null(ctx);
    guarded(ctx, [&] {
        const qint64 start = argInteger(argv[1]);
        const qint64 length = argc > 2 ? argInteger(argv[2]) : std::numeric_limits<qint32>::max();
        if (start < 1 || length < 0)
            throw FunctionError{kInvalidCall};
        cutResult(ctx, argText(argv[0]).toUcs4(), start - 1, length);
    });
}

void instrFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    if (anyNull(argc, argv))
        return sqlite3_result_null(ctx);
    guarded(ctx, [&] {
        qint64 start = 1;
        int first = 0;
        if (argc == 3) {
            start = argInteger(argv[0]);
            first = 1;
            if (start < 1)
                throw FunctionError{kInvalidCall};
        }
        const std::vector<char32_t> hay = foldedCodePoints(argText(argv[first]));
        const std::vector<char32_t> needle = foldedCodePoints(argText(argv[first + 1]));
        const qint64 from = start - 1;
        if (from > qint64(hay.size())) {
            sqlite3_result_int(ctx, 0);
            return;
        }
        if (needle.empty()) {
            sqlite3_result_int64(ctx, start);
            return;
        }
        // The search compares up to every character of the needle at every place of the text, inside one
        // step of the query where nothing can stop it.
        if (qint64(hay.size() - from) * qint64(needle.size()) > kMaxMatchWork)
            throw SqlError(SqlError::Kind::TooComplex, SQLITE_ERROR,
                           QStringLiteral("InStr search pattern too complex"));
        WorkMeter meter;
        const size_t at = findIn(hay, size_t(from), needle, &meter);
        sqlite3_result_int64(ctx, at == hay.size() ? 0 : qint64(at) + 1);
    });
}

void trimFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    if (anyNull(argc, argv))
        return sqlite3_result_null(ctx);
    // Blanks only: a tab or line break inside a stored name is kept, as Jet's Trim keeps it.
    QString text = argText(argv[0]);
    qsizetype from = 0, to = text.size();
    while (from < to && text.at(from) == QLatin1Char(' '))
        ++from;
    while (to > from && text.at(to - 1) == QLatin1Char(' '))
        --to;
    resultText(ctx, text.mid(from, to - from));
}

void iifFunction(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    guarded(ctx, [&] {
        bool condition = false;
        if (sqlite3_value_type(argv[0]) != SQLITE_NULL) {
            const int type = sqlite3_value_numeric_type(argv[0]);
            if (type == SQLITE_INTEGER)
                condition = sqlite3_value_int64(argv[0]) != 0;
            else if (type == SQLITE_FLOAT)
                condition = sqlite3_value_double(argv[0]) != 0.0;
            else
                throw FunctionError{kTypeMismatch};
        }
        sqlite3_result_value(ctx, condition ? argv[1] : argv[2]);
    });
}

// ---------------------------------------------------------------------------------------------------------
// SQLite's own functions whose one call compares every character of a value with every character of another
// (a pattern, a set, a text to find), taken over with the same answers so that such a call looks at the
// statement every kWorkPerLook comparisons as ours do. SQLite would do that work inside one step, seconds of
// it on a long value, with no look at the deadline or the calls.

std::vector<char32_t> codePoints(sqlite3_value* v)
{
    const QList<uint> chars = argText(v).toUcs4();
    return std::vector<char32_t>(chars.begin(), chars.end());
}

// The characters SQLite's GLOB reads from a value: its text up to the first NUL, each read as SQLite reads
// UTF-8 (a stray continuation byte stands for itself; an overlong form, a surrogate or a non-character is
// U+FFFD). Qt's decoder, or the bytes after a NUL, would give other answers for the same values.
std::vector<char32_t> globChars(sqlite3_value* v)
{
    std::vector<char32_t> out;
    const unsigned char* z = sqlite3_value_text(v);
    if (!z)
        return out;
    out.reserve(size_t(sqlite3_value_bytes(v)));
    while (*z) {
        uint32_t c = *z++;
        if (c >= 0xc0) {
            c = c < 0xe0   ? c & 0x1f
                : c < 0xf0 ? c & 0x0f
                : c < 0xf8 ? c & 0x07
                : c < 0xfc ? c & 0x03
                : c < 0xfe ? c & 0x01
                           : 0;
            while ((*z & 0xc0) == 0x80)
                c = (c << 6) + (0x3f & *z++);
            if (c < 0x80 || (c & 0xFFFFF800) == 0xD800 || (c & 0xFFFFFFFE) == 0xFFFE)
                c = 0xFFFD;
        }
        out.push_back(char32_t(c));
    }
    return out;
}

// SQLite's GLOB: * any run, ? one character, [abc], [a-z], [^abc]; case counts.
struct GlobElement {
    enum Type { One, Any, Run, Set } type = One;
    char32_t c = 0;
    std::vector<std::pair<char32_t, char32_t>> ranges;
    bool negated = false;
};

// False when a set has no closing bracket: such a pattern matches nothing.
bool compileGlob(const std::vector<char32_t>& p, std::vector<GlobElement>& out)
{
    for (size_t i = 0; i < p.size(); ++i) {
        GlobElement e;
        if (p[i] == U'*') {
            e.type = GlobElement::Run;
        } else if (p[i] == U'?') {
            e.type = GlobElement::Any;
        } else if (p[i] == U'[') {
            e.type = GlobElement::Set;
            size_t j = i + 1;
            if (j < p.size() && p[j] == U'^') {
                e.negated = true;
                ++j;
            }
            // A ']' first in the set is the character itself, as a '-' first or last is.
            if (j < p.size() && p[j] == U']') {
                e.ranges.emplace_back(U']', U']');
                ++j;
            }
            // Only a plain character before it makes a '-' a range: after a range, or after that first ']',
            // SQLite takes the '-' as itself ("[a-c-e]" is a to c, '-' and e). The character before a range
            // stays in the set also when the range is reversed and holds nothing ("[e-a]" is e).
            bool afterPlain = false;
            for (; j < p.size() && p[j] != U']'; ++j) {
                if (p[j] == U'-' && afterPlain && j + 1 < p.size() && p[j + 1] != U']') {
                    e.ranges.emplace_back(e.ranges.back().first, p[j + 1]);
                    ++j;
                    afterPlain = false;
                } else {
                    e.ranges.emplace_back(p[j], p[j]);
                    afterPlain = true;
                }
            }
            if (j >= p.size())
                return false;
            i = j;
        } else {
            e.c = p[i];
        }
        out.push_back(std::move(e));
    }
    return true;
}

bool globOne(const GlobElement& e, char32_t c, WorkMeter& meter)
{
    switch (e.type) {
    case GlobElement::One:
        return e.c == c;
    case GlobElement::Any:
        return true;
    case GlobElement::Set: {
        meter.add(qint64(e.ranges.size()));
        bool in = false;
        for (const auto& [from, to] : e.ranges)
            in = in || (c >= from && c <= to);
        return in != e.negated;
    }
    case GlobElement::Run:
        break;
    }
    return false;
}

// Every element but the star takes one character, so going back to the last star is enough.
bool globMatch(const std::vector<GlobElement>& el, const std::vector<char32_t>& v, WorkMeter& meter)
{
    size_t p = 0, i = 0, starP = size_t(-1), starI = 0;
    while (i < v.size()) {
        meter.add(1);
        if (p < el.size() && el[p].type == GlobElement::Run) {
            starP = p++;
            starI = i;
        } else if (p < el.size() && globOne(el[p], v[i], meter)) {
            ++p;
            ++i;
        } else if (starP != size_t(-1)) {
            p = starP + 1;
            i = ++starI;
        } else {
            return false;
        }
    }
    while (p < el.size() && el[p].type == GlobElement::Run)
        ++p;
    return p == el.size();
}

void globFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    // An SQLite built so that GLOB never matches a BLOB answers 0 for one on either side, before it looks for
    // a NULL or at the pattern's length; one built without it reads the BLOB's bytes as text, as below.
    static const bool blobsNeverMatch = sqlite3_compileoption_used("LIKE_DOESNT_MATCH_BLOBS") != 0;
    if (blobsNeverMatch && (sqlite3_value_type(argv[0]) == SQLITE_BLOB || sqlite3_value_type(argv[1]) == SQLITE_BLOB))
        return sqlite3_result_int(ctx, 0);
    if (anyNull(argc, argv))
        return sqlite3_result_null(ctx);
    const int limit = sqlite3_limit(sqlite3_context_db_handle(ctx), SQLITE_LIMIT_LIKE_PATTERN_LENGTH, -1);
    if (sqlite3_value_bytes(argv[0]) > limit)
        return sqlite3_result_error(ctx, "LIKE or GLOB pattern too complex", -1);
    guarded(ctx, [&] {
        std::vector<GlobElement> pattern;
        WorkMeter meter;
        const bool matched = compileGlob(globChars(argv[0]), pattern) && globMatch(pattern, globChars(argv[1]), meter);
        sqlite3_result_int(ctx, matched ? 1 : 0);
    });
}

// SQLite's ltrim, rtrim and trim with a set of characters to take off.
template <bool Left, bool Right>
void trimSetFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    if (anyNull(argc, argv))
        return sqlite3_result_null(ctx);
    guarded(ctx, [&] {
        const std::vector<char32_t> text = codePoints(argv[0]);
        const std::vector<char32_t> set = codePoints(argv[1]);
        WorkMeter meter;
        const auto inSet = [&](char32_t c) {
            const auto at = std::find(set.begin(), set.end(), c);
            meter.add(qint64(at - set.begin()) + 1);
            return at != set.end();
        };
        size_t from = 0, to = text.size();
        while (Left && from < to && inSet(text[from]))
            ++from;
        while (Right && to > from && inSet(text[to - 1]))
            --to;
        resultText(ctx, QString::fromUcs4(text.data() + from, qsizetype(to - from)));
    });
}

// SQLite's replace(X, Y, Z): every Y in X, byte for byte, becomes Z.
void replaceFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL)
        return sqlite3_result_null(ctx);
    const auto* x = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
    const qint64 xBytes = sqlite3_value_bytes(argv[0]);
    const auto* y = reinterpret_cast<const char*>(sqlite3_value_text(argv[1]));
    const qint64 yBytes = sqlite3_value_bytes(argv[1]);
    if (!x || !y)
        return sqlite3_result_error_nomem(ctx);
    if (yBytes == 0)
        return sqlite3_result_value(ctx, argv[0]);
    const auto* z = reinterpret_cast<const char*>(sqlite3_value_text(argv[2]));
    if (!z)
        return sqlite3_result_null(ctx);
    const qint64 zBytes = sqlite3_value_bytes(argv[2]);
    (void)argc;
    guarded(ctx, [&] {
        const qint64 limit = sqlite3_limit(sqlite3_context_db_handle(ctx), SQLITE_LIMIT_LENGTH, -1);
        std::string out;
        WorkMeter meter;
        qint64 i = 0;
        while (i < xBytes) {
            qint64 k = 0;
            if (i + yBytes <= xBytes)
                while (k < yBytes && x[i + k] == y[k])
                    ++k;
            meter.add(k + 1);
            if (k == yBytes) {
                out.append(z, size_t(zBytes));
                i += yBytes;
            } else {
                out.push_back(x[i++]);
            }
            if (qint64(out.size()) > limit)
                throw TooBig{};
        }
        sqlite3_result_text64(ctx, out.data(), out.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
    });
}

using Fn = void (*)(sqlite3_context*, int, sqlite3_value**);

void add(sqlite3* db, const char* name, int args, Fn fn, bool deterministic = true)
{
    const int flags = SQLITE_UTF8 | (deterministic ? SQLITE_DETERMINISTIC : 0);
    sqlite3_create_function_v2(db, name, args, flags, nullptr, fn, nullptr, nullptr, nullptr);
}

} // namespace

bool like(const QString& value, const QString& pattern)
{
    const QByteArray utf8 = value.toUtf8();
    std::vector<char32_t> subject;
    likeSubject(utf8.constData(), int(utf8.size()), subject);
    return match(compile(pattern), subject);
}

struct LikePattern::Compiled {
    Pattern pattern;
};

LikePattern::LikePattern(const QString& pattern) : m_compiled(std::make_unique<Compiled>(Compiled{compile(pattern)})) {}

LikePattern::~LikePattern() = default;
LikePattern::LikePattern(LikePattern&&) noexcept = default;
LikePattern& LikePattern::operator=(LikePattern&&) noexcept = default;

bool LikePattern::matches(const std::vector<char32_t>& subject) const { return match(m_compiled->pattern, subject); }

QString translate(const QString& jet)
{
    QString out;
    out.reserve(jet.size() + 16);
    const qsizetype n = jet.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = jet.at(i);
        if (c == QLatin1Char('\'')) {
            // Text in single quotes passes as it is; '' inside is one quote in both dialects.
            qsizetype j = i + 1;
            for (;;) {
                if (j >= n)
                    badSql(QStringLiteral("The text starting at %1 has no closing quote.").arg(i + 1));
                if (jet.at(j) == QLatin1Char('\'')) {
                    if (j + 1 < n && jet.at(j + 1) == QLatin1Char('\'')) {
                        j += 2;
                        continue;
                    }
                    break;
                }
                ++j;
            }
            out += QStringView(jet).mid(i, j - i + 1);
            i = j + 1;
        } else if (c == QLatin1Char('"')) {
            QString text;
            qsizetype j = i + 1;
            for (;;) {
                if (j >= n)
                    badSql(QStringLiteral("The text starting at %1 has no closing quote.").arg(i + 1));
                if (jet.at(j) == QLatin1Char('"')) {
                    if (j + 1 < n && jet.at(j + 1) == QLatin1Char('"')) {
                        text += QLatin1Char('"');
                        j += 2;
                        continue;
                    }
                    break;
                }
                text += jet.at(j);
                ++j;
            }
            out += quoted(text);
            i = j + 1;
        } else if (c == QLatin1Char('[') || c == QLatin1Char('`')) {
            const QChar close = c == QLatin1Char('[') ? QLatin1Char(']') : QLatin1Char('`');
            const qsizetype j = jet.indexOf(close, i + 1);
            if (j < 0)
                badSql(QStringLiteral("The name starting at %1 has no closing %2.").arg(i + 1).arg(close));
            out += QStringView(jet).mid(i, j - i + 1);
            i = j + 1;
        } else if (c == QLatin1Char('#')) {
            const qsizetype j = jet.indexOf(QLatin1Char('#'), i + 1);
            if (j < 0)
                badSql(QStringLiteral("The date starting at %1 has no closing #.").arg(i + 1));
            const QString text = jet.mid(i + 1, j - i - 1);
            const auto date = DateText::parse(text);
            if (!date)
                badSql(QStringLiteral("#%1# is not a date.").arg(text));
            out += QLatin1Char('\'') + DateText::toIso(*date) + QLatin1Char('\'');
            i = j + 1;
        } else if (c == QLatin1Char('-') && i + 1 < n && jet.at(i + 1) == QLatin1Char('-')) {
            const qsizetype j = jet.indexOf(QLatin1Char('\n'), i);
            const qsizetype end = j < 0 ? n : j + 1;
            out += QStringView(jet).mid(i, end - i);
            i = end;
        } else if (c == QLatin1Char('/') && i + 1 < n && jet.at(i + 1) == QLatin1Char('*')) {
            const qsizetype j = jet.indexOf(QStringLiteral("*/"), i + 2);
            const qsizetype end = j < 0 ? n : j + 2;
            out += QStringView(jet).mid(i, end - i);
            i = end;
        } else if (isWordChar(c)) {
            const qsizetype end = wordEnd(jet, i);
            const QStringView word = QStringView(jet).mid(i, end - i);
            if (word.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) {
                out += QLatin1Char('1');
            } else if (word.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) {
                out += QLatin1Char('0');
            } else if (word.compare(QLatin1String("Delete"), Qt::CaseInsensitive) == 0) {
                // "Delete * From" names no columns in SQLite.
                qsizetype j = skipBlanks(jet, end);
                if (j < n && jet.at(j) == QLatin1Char('*')) {
                    j = skipBlanks(jet, j + 1);
                    const qsizetype fromEnd = wordEnd(jet, j);
                    if (QStringView(jet).mid(j, fromEnd - j).compare(QLatin1String("From"), Qt::CaseInsensitive) == 0) {
                        out += QStringLiteral("DELETE FROM");
                        i = fromEnd;
                        continue;
                    }
                }
                out += word;
            } else if ((word.compare(QLatin1String("Left"), Qt::CaseInsensitive) == 0 ||
                        word.compare(QLatin1String("Right"), Qt::CaseInsensitive) == 0) &&
                       skipBlanks(jet, end) < n && jet.at(skipBlanks(jet, end)) == QLatin1Char('(')) {
                // LEFT and RIGHT are join words in SQLite; quoted, they name the Jet functions.
                out += QLatin1Char('"');
                out += word;
                out += QLatin1Char('"');
            } else {
                out += word;
            }
            i = end;
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}

void registerFunctions(sqlite3* db)
{
    sqlite3_create_function_v2(db, "like", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, new PatternCache, likeFunction,
                               nullptr, nullptr, [](void* cache) { delete static_cast<PatternCache*>(cache); });
    add(db, "like", 3, likeEscapeFunction);
    add(db, "Now", 0, nowFunction, false);
    add(db, "Date", 0, dateFunction, false);
    add(db, "Year", 1, datePartFunction<0>);
    add(db, "Month", 1, datePartFunction<1>);
    add(db, "Day", 1, datePartFunction<2>);
    add(db, "Hour", 1, datePartFunction<3>);
    add(db, "Minute", 1, datePartFunction<4>);
    add(db, "Second", 1, datePartFunction<5>);
    add(db, "Weekday", 1, datePartFunction<6>);
    add(db, "Weekday", 2, datePartFunction<6>);
    add(db, "UCase", 1, ucaseFunction);
    add(db, "LCase", 1, lcaseFunction);
    add(db, "Len", 1, lenFunction);
    add(db, "Left", 2, leftFunction);
    add(db, "Right", 2, rightFunction);
    add(db, "Mid", 2, midFunction);
    add(db, "Mid", 3, midFunction);
    add(db, "InStr", 2, instrFunction);
    add(db, "InStr", 3, instrFunction);
    add(db, "Trim", 1, trimFunction);
    add(db, "IIf", 3, iifFunction);
    add(db, "glob", 2, globFunction);
    add(db, "ltrim", 2, trimSetFunction<true, false>);
    add(db, "rtrim", 2, trimSetFunction<false, true>);
    add(db, "trim", 2, trimSetFunction<true, true>);
    add(db, "replace", 3, replaceFunction);
}

} // namespace JetSql

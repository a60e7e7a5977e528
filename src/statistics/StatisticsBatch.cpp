#include "statistics/StatisticsBatch.h"

#include <QElapsedTimer>
#include <QRegularExpression>

#include <algorithm>
#include <array>
#include <cstring>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <sqlite3.h>

#include "core/modCallerDB.h"
#include "platform/DateText.h"
#include "platform/JetSql.h"
#include "platform/SqlDatabase.h"
#include "platform/SqlError.h"
#include "statistics/modStatEvaluation.h"

namespace {

// ---------------------------------------------------------------------------------------------------------
// The calls, read once

// The log's fields a condition may name. The three text fields come first: their values are kept once each.
enum Field { Name = 0, Number = 1, Answered = 2, Date = 3, Rings = 4, Id = 5 };
constexpr int kTextFields = 3;

qint64 secondsOf(const QDateTime& value) { return value.toSecsSinceEpoch(); }

// Days from 1/1/1970 to a date of the (proleptic) Gregorian calendar.
qint64 daysFromCivil(qint64 y, int m, int d)
{
    y -= m <= 2;
    const qint64 era = (y >= 0 ? y : y - 399) / 400;
    const qint64 yoe = y - era * 400;
    const qint64 doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const qint64 doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

bool validDate(int y, int m, int d)
{
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (y < 1 || m < 1 || m > 12 || d < 1)
        return false;
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return d <= kDays[m - 1] + (m == 2 && leap ? 1 : 0);
}

// The seconds of a stored "yyyy-MM-dd HH:mm:ss" (as QDateTime counts them for the naive wall-clock value);
// false for any other text (the batch then steps aside). Worked out by hand: this runs for every call read.
bool isoSeconds(const char* s, int size, qint64& out)
{
    if (size != 19 || s[4] != '-' || s[7] != '-' || s[10] != ' ' || s[13] != ':' || s[16] != ':')
        return false;
    int v[6];
    const int at[6] = {0, 5, 8, 11, 14, 17}, len[6] = {4, 2, 2, 2, 2, 2};
    for (int f = 0; f < 6; ++f) {
        v[f] = 0;
        for (int k = 0; k < len[f]; ++k) {
            const char c = s[at[f] + k];
            if (c < '0' || c > '9')
                return false;
            v[f] = v[f] * 10 + (c - '0');
        }
    }
    if (!validDate(v[0], v[1], v[2]) || v[3] > 23 || v[4] > 59 || v[5] > 59)
        return false;
    out = daysFromCivil(v[0], v[1], v[2]) * 86400 + v[3] * 3600 + v[4] * 60 + v[5];
    return true;
}

QByteArray isoBytes(const QDateTime& value) { return DateText::toIso(value).toLatin1(); }

// Thrown out of a read when its yield says the batch is to stop.
struct BatchStopped {};

// Gives way to the rest of the program every few milliseconds of a long read or pass, and at its first
// thousand rows whatever the time: a read too short to be waited for still gives an end, a switch or a cancel
// its look in before it goes on.
class YieldClock {
public:
    explicit YieldClock(const BatchYield& yield) : m_yield(yield) { m_since.start(); }
    void tick()
    {
        if (!m_yield.yield || ++m_count % 1024 != 0 || (m_count > 1024 && m_since.elapsed() < m_yield.everyMs))
            return;
        if (!m_yield.yield())
            throw BatchStopped{};
        m_since.restart();
    }

private:
    const BatchYield& m_yield;
    QElapsedTimer m_since;
    qint64 m_count = 0;
};

class CallSnapshot {
public:
    // Reads the calls whose stored date lies within the bounds (ISO texts, both inclusive; empty for none), in
    // date order. False when the log's table or one of its rows is not as the program writes it: a condition
    // could then compare differently here than in a query, so the batch must not answer.
    bool load(SqlDatabase& reader, const QByteArray& from, const QByteArray& to, const BatchYield& yield)
    {
        if (!expectedSchema(reader.handle()))
            return false;
        QString sql = QStringLiteral("SELECT ID, fldName, fldNumber, fldDate, fldRings, fldAnswered FROM tblCID");
        QStringList where;
        if (!from.isEmpty())
            where << QStringLiteral("fldDate >= ?1");
        if (!to.isEmpty())
            where << QStringLiteral("fldDate <= ?2");
        if (!where.isEmpty())
            sql += QStringLiteral(" WHERE ") + where.join(QStringLiteral(" AND "));
        SqlStatement st = reader.prepare(sql);
        if (!from.isEmpty())
            st.bind(1, QString::fromLatin1(from));
        if (!to.isEmpty())
            st.bind(2, QString::fromLatin1(to));
        sqlite3_stmt* h = st.handle();
        // Read in the table's order (a plain scan, no look-up per row through the date index), then put in date
        // order here.
        struct Row {
            qint64 secs, id, rings;
            int text[kTextFields];
            std::array<char, 19> date;
        };
        std::vector<Row> read;
        // The read holds its own snapshot of the log: calls stored while it gives way are not seen, and the
        // rows already read stay true.
        YieldClock clock(yield);
        while (st.step()) {
            clock.tick();
            if (sqlite3_column_type(h, 0) != SQLITE_INTEGER || sqlite3_column_type(h, 4) != SQLITE_INTEGER ||
                sqlite3_column_type(h, 3) != SQLITE_TEXT)
                return false;
            Row row;
            const char* date = reinterpret_cast<const char*>(sqlite3_column_text(h, 3));
            if (!isoSeconds(date, sqlite3_column_bytes(h, 3), row.secs))
                return false;
            std::memcpy(row.date.data(), date, 19);
            const int textColumn[kTextFields] = {1, 2, 5};
            for (int f = 0; f < kTextFields; ++f) {
                const int c = textColumn[f];
                if (sqlite3_column_type(h, c) != SQLITE_TEXT)
                    return false;
                const char* text = reinterpret_cast<const char*>(sqlite3_column_text(h, c));
                row.text[f] = intern(f, std::string_view(text, size_t(sqlite3_column_bytes(h, c))));
            }
            row.id = sqlite3_column_int64(h, 0);
            row.rings = sqlite3_column_int64(h, 4);
            read.push_back(row);
        }
        std::stable_sort(read.begin(), read.end(), [](const Row& a, const Row& b) { return a.secs < b.secs; });
        const size_t n = read.size();
        m_ids.reserve(n);
        m_rings.reserve(n);
        m_secs.reserve(n);
        m_dates.reserve(n);
        for (int f = 0; f < kTextFields; ++f)
            m_text[f].ids.reserve(n);
        for (const Row& r : read) {
            m_ids.push_back(r.id);
            m_rings.push_back(r.rings);
            m_secs.push_back(r.secs);
            m_dates.push_back(r.date);
            for (int f = 0; f < kTextFields; ++f)
                m_text[f].ids.push_back(r.text[f]);
        }
        return true;
    }

    int rows() const { return int(m_secs.size()); }
    qint64 seconds(int r) const { return m_secs[size_t(r)]; }
    qint64 rings(int r) const { return m_rings[size_t(r)]; }
    qint64 id(int r) const { return m_ids[size_t(r)]; }
    std::string_view date(int r) const { return std::string_view(m_dates[size_t(r)].data(), 19); }
    const std::vector<qint64>& allSeconds() const { return m_secs; }

    int textId(int field, int r) const { return m_text[field].ids[size_t(r)]; }
    int distinct(int field) const { return int(m_text[field].values.size()); }
    std::string_view text(int field, int id) const { return m_text[field].values[size_t(id)]; }

    // The folded characters Like sees for a value, worked out once per value.
    const std::vector<char32_t>& subject(int field, int id)
    {
        auto& subjects = m_text[field].subjects;
        if (subjects.empty())
            subjects.resize(m_text[field].values.size());
        auto& s = subjects[size_t(id)];
        if (!s) {
            s.emplace();
            const std::string& v = m_text[field].values[size_t(id)];
            JetSql::likeSubject(v.data(), int(v.size()), *s);
        }
        return *s;
    }

    // The characters Like sees for a row's date; the last one is kept, as a condition often tests a date with
    // several patterns in a row.
    const std::vector<char32_t>& dateSubject(int r)
    {
        if (m_subjectRow != r) {
            const std::string_view d = date(r);
            JetSql::likeSubject(d.data(), int(d.size()), m_dateSubject);
            m_subjectRow = r;
        }
        return m_dateSubject;
    }

    // The rows holding each value, in date order.
    const std::vector<std::vector<int>>& postings(int field)
    {
        auto& p = m_text[field].postings;
        if (p.empty() && !m_text[field].values.empty()) {
            p.resize(m_text[field].values.size());
            const auto& ids = m_text[field].ids;
            for (size_t r = 0; r < ids.size(); ++r)
                p[size_t(ids[r])].push_back(int(r));
        }
        return p;
    }

private:
    struct Slot {
        quint64 hash = 0;
        int id = -1;
    };
    struct TextColumn {
        std::deque<std::string> values;
        std::vector<Slot> table; // a power of two, at most half full
        std::vector<int> ids;
        std::vector<std::optional<std::vector<char32_t>>> subjects;
        std::vector<std::vector<int>> postings;
    };

    static void grow(TextColumn& t)
    {
        std::vector<Slot> bigger(std::max<size_t>(64, t.table.size() * 2));
        for (const Slot& slot : t.table) {
            if (slot.id < 0)
                continue;
            size_t i = size_t(slot.hash) & (bigger.size() - 1);
            while (bigger[i].id >= 0)
                i = (i + 1) & (bigger.size() - 1);
            bigger[i] = slot;
        }
        t.table = std::move(bigger);
    }

    static bool expectedSchema(sqlite3* db)
    {
        // Conditions compare text without regard to ASCII case in the three text fields and as bytes in the
        // date; the batch does the same only where the table says so.
        const struct {
            const char* column;
            const char* type;
            const char* collation;
        } kColumns[] = {{"ID", "INTEGER", "BINARY"},         {"fldName", "TEXT(50)", "NOCASE"},
                        {"fldNumber", "TEXT(50)", "NOCASE"}, {"fldDate", "DATETIME", "BINARY"},
                        {"fldRings", "INTEGER", "BINARY"},   {"fldAnswered", "TEXT(50)", "NOCASE"}};
        for (const auto& c : kColumns) {
            const char* type = nullptr;
            const char* collation = nullptr;
            if (sqlite3_table_column_metadata(db, "main", "tblCID", c.column, &type, &collation, nullptr, nullptr,
                                              nullptr) != SQLITE_OK)
                return false;
            if (!type || !collation || sqlite3_stricmp(type, c.type) != 0 ||
                sqlite3_stricmp(collation, c.collation) != 0)
                return false;
        }
        return true;
    }

    // The value's number in its column, found through an open-addressed table of FNV-1a hashes: this runs
    // three times for every call read, where a general-purpose map costs more than the read itself.
    int intern(int field, std::string_view value)
    {
        TextColumn& t = m_text[field];
        quint64 hash = 1469598103934665603ULL;
        for (const char c : value)
            hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
        if (t.table.empty() || (t.values.size() + 1) * 2 > t.table.size())
            grow(t);
        size_t i = size_t(hash) & (t.table.size() - 1);
        while (true) {
            const Slot& slot = t.table[i];
            if (slot.id < 0)
                break;
            if (slot.hash == hash && t.values[size_t(slot.id)] == value)
                return slot.id;
            i = (i + 1) & (t.table.size() - 1);
        }
        t.values.emplace_back(value);
        const int id = int(t.values.size()) - 1;
        t.table[i] = {hash, id};
        return id;
    }

    TextColumn m_text[kTextFields];
    std::vector<qint64> m_ids, m_rings, m_secs;
    std::vector<std::array<char, 19>> m_dates;
    int m_subjectRow = -1;
    std::vector<char32_t> m_dateSubject;
};

// ---------------------------------------------------------------------------------------------------------
// Conditions the batch evaluates itself
//
// A condition is read after the Jet translation, as SQLite reads it, but only in the forms whose answer is
// certain: a log field compared with a literal of its kind, Like with a literal pattern, joined by and, or,
// not and parentheses. Anything else is not compiled and its cells are left to a query.

enum class Op { Eq, Ne, Lt, Le, Gt, Ge };

struct Node {
    enum Kind { And, Or, Not, Compare, Like } kind = And;
    std::vector<std::unique_ptr<Node>> kids;
    int field = Name;
    Op op = Op::Eq;
    std::string text; // a text or date literal, as its bytes
    qint64 number = 0;
    std::unique_ptr<JetSql::LikePattern> pattern;
    bool negated = false;
    unsigned fields = 0;      // the fields the node reads, one bit each
    std::vector<int8_t> memo; // per value of its one text field, or per row for a date pattern: -1 unknown
};

struct Token {
    enum Type { End, Word, String, Integer, Symbol } type = End;
    QString text;
};

class Parser {
public:
    explicit Parser(const QString& sql) : m_s(sql) { advance(); }

    std::unique_ptr<Node> parse()
    {
        auto node = orExpr();
        if (!node || m_tok.type != Token::End)
            return nullptr;
        return node;
    }

private:
    bool isKeyword(const char* word) const
    {
        return m_tok.type == Token::Word && m_tok.text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
    }
    bool isSymbol(const char* symbol) const
    {
        return m_tok.type == Token::Symbol && m_tok.text == QLatin1String(symbol);
    }

    void advance()
    {
        const qsizetype n = m_s.size();
        while (m_i < n && m_s[m_i].isSpace())
            ++m_i;
        m_tok = Token();
        if (m_i >= n)
            return;
        const QChar c = m_s[m_i];
        if (c.isLetter() || c == QLatin1Char('_')) {
            const qsizetype from = m_i;
            while (m_i < n && (m_s[m_i].isLetterOrNumber() || m_s[m_i] == QLatin1Char('_')))
                ++m_i;
            m_tok = {Token::Word, m_s.mid(from, m_i - from)};
        } else if (c == QLatin1Char('[')) {
            const qsizetype close = m_s.indexOf(QLatin1Char(']'), m_i + 1);
            if (close < 0) {
                fail();
                return;
            }
            m_tok = {Token::Word, m_s.mid(m_i + 1, close - m_i - 1)};
            m_i = close + 1;
        } else if (c == QLatin1Char('\'')) {
            QString text;
            ++m_i;
            while (true) {
                if (m_i >= n) {
                    fail();
                    return;
                }
                if (m_s[m_i] == QLatin1Char('\'')) {
                    if (m_i + 1 < n && m_s[m_i + 1] == QLatin1Char('\'')) {
                        text += QLatin1Char('\'');
                        m_i += 2;
                        continue;
                    }
                    ++m_i;
                    break;
                }
                text += m_s[m_i++];
            }
            m_tok = {Token::String, text};
        } else if (c.isDigit() && c.unicode() < 128) {
            const qsizetype from = m_i;
            while (m_i < n && m_s[m_i].isDigit() && m_s[m_i].unicode() < 128)
                ++m_i;
            // A number that runs into a point, a letter or an exponent is left to the database.
            if (m_i < n && (m_s[m_i].isLetter() || m_s[m_i] == QLatin1Char('.') || m_s[m_i] == QLatin1Char('_'))) {
                fail();
                return;
            }
            m_tok = {Token::Integer, m_s.mid(from, m_i - from)};
        } else {
            static const char* const kSymbols[] = {"<=", ">=", "<>", "!=", "==", "=", "<", ">", "(", ")"};
            for (const char* sym : kSymbols) {
                const QLatin1String s(sym);
                if (QStringView(m_s).mid(m_i).startsWith(s)) {
                    m_tok = {Token::Symbol, QString(s)};
                    m_i += s.size();
                    return;
                }
            }
            fail(); // comments, other operators, anything unexpected
        }
    }

    void fail()
    {
        m_failed = true;
        m_tok = {Token::Symbol, QStringLiteral("?")};
        m_i = m_s.size();
    }

    std::unique_ptr<Node> orExpr()
    {
        auto first = andExpr();
        if (!first || !isKeyword("or"))
            return first;
        auto node = std::make_unique<Node>();
        node->kind = Node::Or;
        node->kids.push_back(std::move(first));
        while (isKeyword("or")) {
            advance();
            auto next = andExpr();
            if (!next)
                return nullptr;
            node->kids.push_back(std::move(next));
        }
        return node;
    }

    std::unique_ptr<Node> andExpr()
    {
        auto first = notExpr();
        if (!first || !isKeyword("and"))
            return first;
        auto node = std::make_unique<Node>();
        node->kind = Node::And;
        node->kids.push_back(std::move(first));
        while (isKeyword("and")) {
            advance();
            auto next = notExpr();
            if (!next)
                return nullptr;
            node->kids.push_back(std::move(next));
        }
        return node;
    }

    std::unique_ptr<Node> notExpr()
    {
        if (isKeyword("not")) {
            advance();
            auto inner = notExpr();
            if (!inner)
                return nullptr;
            auto node = std::make_unique<Node>();
            node->kind = Node::Not;
            node->kids.push_back(std::move(inner));
            return node;
        }
        return comparison();
    }

    static int fieldOf(const QString& word)
    {
        static const struct {
            const char* name;
            int field;
        } kFields[] = {{"fldName", Name}, {"fldNumber", Number}, {"fldAnswered", Answered},
                       {"fldDate", Date}, {"fldRings", Rings},   {"ID", Id}};
        for (const auto& f : kFields) {
            if (word.compare(QLatin1String(f.name), Qt::CaseInsensitive) == 0)
                return f.field;
        }
        return -1;
    }

    static bool opOf(const QString& symbol, Op& op)
    {
        if (symbol == QLatin1String("=") || symbol == QLatin1String("=="))
            op = Op::Eq;
        else if (symbol == QLatin1String("<>") || symbol == QLatin1String("!="))
            op = Op::Ne;
        else if (symbol == QLatin1String("<"))
            op = Op::Lt;
        else if (symbol == QLatin1String("<="))
            op = Op::Le;
        else if (symbol == QLatin1String(">"))
            op = Op::Gt;
        else if (symbol == QLatin1String(">="))
            op = Op::Ge;
        else
            return false;
        return true;
    }

    static Op mirrored(Op op)
    {
        switch (op) {
        case Op::Lt:
            return Op::Gt;
        case Op::Le:
            return Op::Ge;
        case Op::Gt:
            return Op::Lt;
        case Op::Ge:
            return Op::Le;
        default:
            return op;
        }
    }

    // One operand: a field, or a literal (kind in type).
    struct Operand {
        int field = -1;
        Token literal;
    };

    bool operand(Operand& out)
    {
        if (m_tok.type == Token::Word) {
            if (isKeyword("and") || isKeyword("or") || isKeyword("not") || isKeyword("like"))
                return false;
            out.field = fieldOf(m_tok.text);
            if (out.field < 0)
                return false;
            advance();
            return true;
        }
        if (m_tok.type == Token::String || m_tok.type == Token::Integer) {
            out.literal = m_tok;
            advance();
            return true;
        }
        return false;
    }

    std::unique_ptr<Node> comparison()
    {
        if (m_failed)
            return nullptr;
        if (isSymbol("(")) {
            advance();
            auto inner = orExpr();
            if (!inner || !isSymbol(")"))
                return nullptr;
            advance();
            return inner;
        }
        Operand left;
        if (!operand(left))
            return nullptr;
        bool negatedLike = false;
        if (isKeyword("not")) {
            advance();
            if (!isKeyword("like"))
                return nullptr;
            negatedLike = true;
        }
        if (isKeyword("like")) {
            advance();
            Operand right;
            // The pattern must be a literal and the value a field that holds text (a date is rendered).
            if (left.field < 0 || left.field == Rings || left.field == Id || !operand(right) || right.field >= 0 ||
                right.literal.type != Token::String || isKeyword("escape"))
                return nullptr;
            auto node = std::make_unique<Node>();
            node->kind = Node::Like;
            node->field = left.field;
            node->negated = negatedLike;
            node->fields = 1u << left.field;
            try {
                node->pattern = std::make_unique<JetSql::LikePattern>(right.literal.text);
            } catch (const SqlError&) {
                return nullptr; // a query gives the same "Bad SQL" or "Too Complex"
            }
            return node;
        }
        if (negatedLike || m_tok.type != Token::Symbol)
            return nullptr;
        Op op;
        if (!opOf(m_tok.text, op))
            return nullptr;
        advance();
        Operand right;
        if (!operand(right))
            return nullptr;
        if (left.field < 0) {
            std::swap(left, right);
            op = mirrored(op);
        }
        if (left.field < 0 || right.field >= 0)
            return nullptr;
        auto node = std::make_unique<Node>();
        node->kind = Node::Compare;
        node->field = left.field;
        node->op = op;
        node->fields = 1u << left.field;
        const Token& lit = right.literal;
        if (left.field < kTextFields) {
            if (lit.type != Token::String)
                return nullptr;
            node->text = lit.text.toStdString();
        } else if (left.field == Date) {
            // Only a whole stored-form date compares as text here for certain.
            const QByteArray bytes = lit.text.toUtf8();
            qint64 secs = 0;
            if (lit.type != Token::String || !isoSeconds(bytes.constData(), int(bytes.size()), secs))
                return nullptr;
            node->text = bytes.toStdString();
        } else {
            bool ok = false;
            node->number = lit.text.toLongLong(&ok);
            if (lit.type != Token::Integer || !ok)
                return nullptr;
        }
        return node;
    }

    const QString& m_s;
    qsizetype m_i = 0;
    Token m_tok;
    bool m_failed = false;
};

unsigned fieldsOf(Node& n)
{
    for (auto& k : n.kids)
        n.fields |= fieldsOf(*k);
    return n.fields;
}

// A condition as the batch evaluates it; nullptr when it cannot be read completely.
std::unique_ptr<Node> compile(const QString& condition)
{
    try {
        const QString sql = JetSql::translate(condition);
        Parser parser(sql);
        auto node = parser.parse();
        if (node)
            fieldsOf(*node);
        return node;
    } catch (const SqlError&) {
        return nullptr;
    }
}

// SQLite's NOCASE: bytes compared with ASCII letters folded, then the shorter first.
int compareNoCase(std::string_view a, std::string_view b)
{
    auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : int(c); };
    int n = int(std::min(a.size(), b.size()));
    size_t i = 0;
    while (n-- > 0 && a[i] != 0 && lower(static_cast<unsigned char>(a[i])) == lower(static_cast<unsigned char>(b[i])))
        ++i;
    int r = n < 0 ? 0 : lower(static_cast<unsigned char>(a[i])) - lower(static_cast<unsigned char>(b[i]));
    if (r == 0)
        r = int(a.size()) - int(b.size());
    return r;
}

bool holds(Op op, int cmp)
{
    switch (op) {
    case Op::Eq:
        return cmp == 0;
    case Op::Ne:
        return cmp != 0;
    case Op::Lt:
        return cmp < 0;
    case Op::Le:
        return cmp <= 0;
    case Op::Gt:
        return cmp > 0;
    case Op::Ge:
        return cmp >= 0;
    }
    return false;
}

// The one text field a node reads, or -1.
int singleTextField(const Node& n)
{
    for (int f = 0; f < kTextFields; ++f) {
        if (n.fields == (1u << f))
            return f;
    }
    return -1;
}

bool evaluate(Node& n, CallSnapshot& calls, int row);

bool evaluateDirect(Node& n, CallSnapshot& calls, int row)
{
    switch (n.kind) {
    case Node::And:
        for (auto& k : n.kids) {
            if (!evaluate(*k, calls, row))
                return false;
        }
        return true;
    case Node::Or:
        for (auto& k : n.kids) {
            if (evaluate(*k, calls, row))
                return true;
        }
        return false;
    case Node::Not:
        return !evaluate(*n.kids.front(), calls, row);
    case Node::Compare:
        if (n.field < kTextFields)
            return holds(n.op, compareNoCase(calls.text(n.field, calls.textId(n.field, row)), n.text));
        if (n.field == Date)
            return holds(n.op, calls.date(row).compare(n.text));
        {
            const qint64 v = n.field == Rings ? calls.rings(row) : calls.id(row);
            return holds(n.op, v < n.number ? -1 : v > n.number ? 1 : 0);
        }
    case Node::Like:
        if (n.field < kTextFields)
            return n.pattern->matches(calls.subject(n.field, calls.textId(n.field, row))) != n.negated;
        return n.pattern->matches(calls.dateSubject(row)) != n.negated;
    }
    return false;
}

bool evaluate(Node& n, CallSnapshot& calls, int row)
{
    // A node that reads one text field has one answer per value of it; a date pattern one per row.
    const int field = singleTextField(n);
    int slot = -1;
    if (field >= 0) {
        slot = calls.textId(field, row);
        if (n.memo.empty())
            n.memo.assign(size_t(calls.distinct(field)), int8_t(-1));
    } else if (n.fields == (1u << Date) && (n.kind != Node::Compare)) {
        // Date patterns and what joins them: one answer per row, each date rendered once.
        slot = row;
        if (n.memo.empty())
            n.memo.assign(size_t(calls.rows()), int8_t(-1));
    }
    if (slot < 0)
        return evaluateDirect(n, calls, row);
    int8_t& m = n.memo[size_t(slot)];
    if (m < 0)
        m = evaluateDirect(n, calls, row) ? 1 : 0;
    return m == 1;
}

// Lets a condition's remembered answers go (one per value or per call): they serve the pass that made them,
// and a condition kept for many groups or columns would hold them all for the whole run.
void forget(Node* n)
{
    if (!n)
        return;
    std::vector<int8_t>().swap(n->memo);
    for (auto& k : n->kids)
        forget(k.get());
}

// The rows (in date order) that satisfy a condition; every row for no condition.
std::vector<int> rowsOf(Node* condition, CallSnapshot& calls)
{
    std::vector<int> rows;
    if (!condition) {
        rows.resize(size_t(calls.rows()));
        for (int r = 0; r < calls.rows(); ++r)
            rows[size_t(r)] = r;
        return rows;
    }
    const int field = singleTextField(*condition);
    if (field >= 0) {
        // One test per distinct value, then the rows that hold the values that pass.
        const auto& postings = calls.postings(field);
        for (const auto& p : postings) {
            if (!p.empty() && evaluate(*condition, calls, p.front()))
                rows.insert(rows.end(), p.begin(), p.end());
        }
        std::sort(rows.begin(), rows.end());
        return rows;
    }
    for (int r = 0; r < calls.rows(); ++r) {
        if (evaluate(*condition, calls, r))
            rows.push_back(r);
    }
    return rows;
}

// The fldDate bounds of a condition joined by and at its top (ISO texts, inclusive); used to read only the
// calls the period can hold.
void dateBounds(const Node& n, QByteArray& from, QByteArray& to)
{
    if (n.kind == Node::And) {
        for (const auto& k : n.kids)
            dateBounds(*k, from, to);
        return;
    }
    if (n.kind != Node::Compare || n.field != Date)
        return;
    const QByteArray value = QByteArray::fromStdString(n.text);
    if ((n.op == Op::Gt || n.op == Op::Ge || n.op == Op::Eq) && (from.isEmpty() || value > from))
        from = value;
    if ((n.op == Op::Lt || n.op == Op::Le || n.op == Op::Eq) && (to.isEmpty() || value < to))
        to = value;
}

// The clause the window keeps ("and ..."): its condition, when it is joined to the others by a plain and.
bool compileClause(const QString& timePeriod, std::unique_ptr<Node>& out)
{
    const QString clause = timePeriod.trimmed();
    if (clause.isEmpty())
        return true;
    static const QRegularExpression leadingAnd(QStringLiteral("^and\\s"), QRegularExpression::CaseInsensitiveOption);
    if (!leadingAnd.match(clause).hasMatch())
        return false;
    out = compile(clause.mid(4));
    // A clause with an or at its top would not stay apart from the conditions before it.
    return out && out->kind != Node::Or;
}

struct Tally {
    qint64 count = 0;
    double ringSum = 0;
    bool anyRings = false;
    qint64 mostRings = 0;
    std::vector<qint64> times;

    void add(CallSnapshot& calls, int r, bool keepTimes)
    {
        ++count;
        const qint64 rings = calls.rings(r);
        ringSum += double(rings);
        mostRings = anyRings ? std::max(mostRings, rings) : rings;
        anyRings = true;
        if (keepTimes)
            times.push_back(calls.seconds(r));
    }

    CellValue value(const QString& style, int days) const
    {
        CellValue out;
        if (const qint64 window = MostCallsWindow(style))
            out.value = double(MostCallsInPeriod(times, window, &out.note));
        else
            out.value = StyleValue(style, count, ringSum, anyRings ? double(mostRings) : 0, days);
        out.value = RoundStatistic(out.value);
        return out;
    }
};

qint64 countSince(const std::vector<int>& rows, CallSnapshot& calls, qint64 since)
{
    qint64 n = 0;
    for (int r : rows) {
        if (calls.seconds(r) > since)
            ++n;
    }
    return n;
}

// The widest "calls in the last" reach among the styles, 0 for none.
int widestLastDays(const QStringList& styles)
{
    int widest = 0;
    for (const QString& s : styles)
        widest = std::max(widest, LastDaysOf(s));
    return widest;
}

void widenForLastDays(int lastDays, QByteArray& from, QByteArray& to)
{
    if (lastDays <= 0)
        return;
    const QByteArray since = isoBytes(LastDaysSince(lastDays));
    if (!from.isEmpty() && since < from)
        from = since;
    to.clear();
}

} // namespace

// ---------------------------------------------------------------------------------------------------------
// The grid

struct GridBatch::Plan {
    bool usable = false;
    bool stopped = false;
    CallSnapshot calls;
    std::unique_ptr<Node> clause;
    std::vector<char> inClause;
    std::vector<std::unique_ptr<Node>> statistics, groups;
    std::vector<bool> statisticRead, groupRead;
    // The rows of the groups kept for the next column, as many as MaxKeptRows allows; the others are found
    // again in each column.
    std::vector<std::optional<std::vector<int>>> groupRows;
    qint64 keptRows = 0;
    int statisticInUse = -1;
    QStringList styles;
};

GridBatch::GridBatch(QList<clsStatistic> statistics, QList<clsGroup> groups, QString timePeriod, int days)
    : m_statistics(std::move(statistics)), m_groups(std::move(groups)), m_timePeriod(std::move(timePeriod)),
      m_days(days)
{
}

GridBatch::~GridBatch() = default;

GridBatch::Plan& GridBatch::plan()
{
    if (m_plan)
        return *m_plan;
    m_plan = std::make_unique<Plan>();
    Plan& p = *m_plan;
    for (const clsStatistic& s : m_statistics) {
        p.styles << s.Style.toUpper();
        p.statistics.push_back(s.Statistic.isEmpty() ? nullptr : compile(s.Statistic));
        p.statisticRead.push_back(s.Statistic.isEmpty() || p.statistics.back());
    }
    for (const clsGroup& g : m_groups) {
        p.groups.push_back(g.Group.isEmpty() ? nullptr : compile(g.Group));
        p.groupRead.push_back(g.Group.isEmpty() || p.groups.back());
    }
    p.groupRows.resize(size_t(m_groups.size()));
    if (!compileClause(m_timePeriod, p.clause))
        return p;
    QByteArray from, to;
    if (p.clause)
        dateBounds(*p.clause, from, to);
    widenForLastDays(widestLastDays(p.styles), from, to);
    try {
        // A connection of the read's own: while it gives way the log in use may be read by others, or closed.
        const std::unique_ptr<SqlDatabase> reader = OpenCallerDBReader();
        if (!reader || !p.calls.load(*reader, from, to, m_yield))
            return p;
        p.inClause.assign(size_t(p.calls.rows()), 1);
        if (p.clause) {
            YieldClock clock(m_yield);
            for (int r = 0; r < p.calls.rows(); ++r) {
                clock.tick();
                p.inClause[size_t(r)] = evaluate(*p.clause, p.calls, r) ? 1 : 0;
            }
            forget(p.clause.get());
        }
    } catch (const SqlError&) {
        return p;
    } catch (const BatchStopped&) {
        p.stopped = true;
        return p;
    }
    p.usable = true;
    return p;
}

bool GridBatch::stopped() const { return m_plan && m_plan->stopped; }

bool GridBatch::answeredByBatch(int s, int g)
{
    Plan& p = plan();
    if (p.stopped)
        return true;
    if (!p.usable)
        return false;
    if (LastDaysOf(p.styles[s]))
        return p.groupRead[size_t(g)];
    return p.statisticRead[size_t(s)] && p.groupRead[size_t(g)];
}

CellValue GridBatch::cell(int s, int g)
{
    const clsStatistic& statistic = m_statistics[s];
    const clsGroup& group = m_groups[g];
    if (answeredByBatch(s, g) && m_plan->stopped)
        return CellValue{};
    if (answeredByBatch(s, g)) {
        Plan& p = *m_plan;
        try {
            if (p.statisticInUse != s) {
                // The columns come one after another: the last one's remembered answers are done with.
                if (p.statisticInUse >= 0)
                    forget(p.statistics[size_t(p.statisticInUse)].get());
                p.statisticInUse = s;
            }
            std::vector<int> found;
            const std::vector<int>& rows = groupRows(g, found);
            const QString& style = p.styles[s];
            if (const int back = LastDaysOf(style)) {
                CellValue out;
                out.value = RoundStatistic(double(countSince(rows, p.calls, secondsOf(LastDaysSince(back)))));
                return out;
            }
            Node* condition = p.statistics[size_t(s)].get();
            const bool times = MostCallsWindow(style) > 0;
            Tally tally;
            for (int r : rows) {
                if (p.inClause[size_t(r)] && (!condition || evaluate(*condition, p.calls, r)))
                    tally.add(p.calls, r, times);
            }
            return tally.value(style, m_days);
        } catch (const SqlError&) {
            // A value too long for a pattern: the query reports it as it always has.
        }
    }
    CellValue out;
    out.value = ExecuteStat(statistic, group, m_days, m_timePeriod, &out.note, m_source);
    return out;
}

const std::vector<int>& GridBatch::groupRows(int g, std::vector<int>& found)
{
    Plan& p = *m_plan;
    auto& kept = p.groupRows[size_t(g)];
    if (kept)
        return *kept;
    Node* condition = p.groups[size_t(g)].get();
    found = rowsOf(condition, p.calls);
    forget(condition);
    // Kept while the bound allows: then the memory of a grid does not grow with its groups times its calls.
    if (p.keptRows + qint64(found.size()) > MaxKeptRows)
        return found;
    p.keptRows += qint64(found.size());
    kept = std::move(found);
    return *kept;
}

qint64 GridBatch::keptRows() const { return m_plan ? m_plan->keptRows : 0; }

// ---------------------------------------------------------------------------------------------------------
// The graph

struct GraphBatch::Plan {
    bool usable = false;
    bool stopped = false;
    bool statisticRead = false;
    QString style;
    CallSnapshot calls;
    std::unique_ptr<Node> statistic;
    std::vector<std::unique_ptr<Node>> groups;
    std::vector<bool> groupRead;
    // Per group: the rows of the group that the statistic counts, their times, and the last-days count.
    std::vector<std::optional<std::vector<int>>> rows;
    std::vector<std::vector<qint64>> times;
    std::vector<qint64> lastDays;
    int groupInUse = -1;
    std::vector<std::pair<qint64, qint64>> bounds; // per bucket, in seconds
};

GraphBatch::GraphBatch(clsStatistic statistic, QList<clsGroup> groups, QList<GraphBucket> buckets, int days)
    : m_statistic(std::move(statistic)), m_groups(std::move(groups)), m_buckets(std::move(buckets)), m_days(days)
{
}

GraphBatch::~GraphBatch() = default;

GraphBatch::Plan& GraphBatch::plan()
{
    if (m_plan)
        return *m_plan;
    m_plan = std::make_unique<Plan>();
    Plan& p = *m_plan;
    p.style = m_statistic.Style.toUpper();
    p.statistic = m_statistic.Statistic.isEmpty() ? nullptr : compile(m_statistic.Statistic);
    p.statisticRead = m_statistic.Statistic.isEmpty() || p.statistic;
    for (const clsGroup& g : m_groups) {
        p.groups.push_back(g.Group.isEmpty() ? nullptr : compile(g.Group));
        p.groupRead.push_back(g.Group.isEmpty() || p.groups.back());
    }
    p.rows.resize(size_t(m_groups.size()));
    p.times.resize(size_t(m_groups.size()));
    p.lastDays.assign(size_t(m_groups.size()), -1);
    for (const GraphBucket& b : m_buckets)
        p.bounds.emplace_back(secondsOf(b.start), secondsOf(b.end));
    if (m_buckets.isEmpty())
        return p;
    QByteArray from = isoBytes(m_buckets.first().start), to = isoBytes(m_buckets.last().end);
    widenForLastDays(LastDaysOf(p.style), from, to);
    try {
        const std::unique_ptr<SqlDatabase> reader = OpenCallerDBReader();
        if (!reader || !p.calls.load(*reader, from, to, m_yield))
            return p;
    } catch (const SqlError&) {
        return p;
    } catch (const BatchStopped&) {
        p.stopped = true;
        return p;
    }
    p.usable = true;
    return p;
}

bool GraphBatch::stopped() const { return m_plan && m_plan->stopped; }

bool GraphBatch::answeredByBatch(int g)
{
    Plan& p = plan();
    if (p.stopped)
        return true;
    if (!p.usable || !p.groupRead[size_t(g)])
        return false;
    return LastDaysOf(p.style) || p.statisticRead;
}

double GraphBatch::value(int g, int k)
{
    if (answeredByBatch(g) && m_plan->stopped)
        return 0;
    if (answeredByBatch(g)) {
        Plan& p = *m_plan;
        try {
            if (p.groupInUse != g) {
                // A graph runs group by group: the last group's rows are done with.
                if (p.groupInUse >= 0) {
                    p.rows[size_t(p.groupInUse)].reset();
                    std::vector<qint64>().swap(p.times[size_t(p.groupInUse)]);
                }
                p.groupInUse = g;
            }
            auto& rows = p.rows[size_t(g)];
            if (!rows) {
                rows = rowsOf(p.groups[size_t(g)].get(), p.calls);
                forget(p.groups[size_t(g)].get());
                if (const int back = LastDaysOf(p.style)) {
                    p.lastDays[size_t(g)] = countSince(*rows, p.calls, secondsOf(LastDaysSince(back)));
                } else {
                    std::vector<int> counted;
                    for (int r : *rows) {
                        if (!p.statistic || evaluate(*p.statistic, p.calls, r))
                            counted.push_back(r);
                    }
                    rows = std::move(counted);
                    auto& t = p.times[size_t(g)];
                    t.reserve(rows->size());
                    for (int r : *rows)
                        t.push_back(p.calls.seconds(r));
                }
            }
            if (LastDaysOf(p.style))
                return RoundStatistic(double(p.lastDays[size_t(g)]));
            // The first bucket starts after its start; every later one at it (no call at a boundary is lost).
            const auto& t = p.times[size_t(g)];
            const auto [from, to] = p.bounds[size_t(k)];
            const auto begin =
                k == 0 ? std::upper_bound(t.begin(), t.end(), from) : std::lower_bound(t.begin(), t.end(), from);
            const auto end = std::lower_bound(begin, t.end(), to);
            const bool times = MostCallsWindow(p.style) > 0;
            Tally tally;
            for (auto it = begin; it != end; ++it)
                tally.add(p.calls, (*rows)[size_t(it - t.begin())], times);
            return tally.value(p.style, m_days).value;
        } catch (const SqlError&) {
        }
    }
    return ExecuteStat(m_statistic, m_groups[g], m_days, GraphBucketClause(m_buckets[k], k == 0), nullptr, m_source);
}

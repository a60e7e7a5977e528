#include "mainwindow/CallLogView.h"

#include <array>
#include <vector>

#include <QHash>
#include <QPointer>

#include "core/MainWindow.h"
#include "core/SettingsKeys.h"
#include "core/WindowLinks.h"
#include "core/clsCaller.h"
#include "core/modCallerDB.h"
#include "core/modContactDB.h"
#include "core/modError.h"
#include "core/modMain.h"
#include "core/modProperties.h"
#include "platform/DateText.h"
#include "platform/SqlDatabase.h"
#include "platform/SqlError.h"

CallLogView::CallLogView(MainWindow& host, QObject* parent) : CallListRefill(parent), m_host(host) {}

void CallLogView::reportViewError(const SqlError& e, const char* tag)
{
    SaveError(e.code(), e.resultText() + QStringLiteral(": ") + e.message(), QStringLiteral("frmBaseMain"));
    ReportError(QString::fromLatin1(tag));
    ShowError(QString());
}

void CallLogView::UpdateSQL()
{
    // Nothing is kept open between operations: the view is its query, checked here, and read by the refill. Its
    // connection is made here at the view's first read: something put beside the log since the start refuses the
    // log now as it would have then, and is said as then; the view stays empty and the program runs on.
    m_unreadable = false;
    SqlDatabase* reader = nullptr;
    try {
        reader = CallerDBReader();
    } catch (const SqlError& e) {
        m_unreadable = true;
        SaveError(e.code(),
                  QStringLiteral("The caller database ") + (gCallerDB ? gCallerDB->path() : QString()) +
                      QStringLiteral(" could not be opened (") + e.message() + QStringLiteral(")."),
                  QStringLiteral("frmBaseMain"));
        ReportError(QStringLiteral("frmBaseMain_UpdateSQL"));
        ShowError(QString());
        return;
    }
    if (!reader)
        return;
    try {
        reader->prepareQuery(m_host.strSQL);
        m_lastGoodSQL = m_host.strSQL;
    } catch (const SqlError& e) {
        // The box lets the program end while it waits, this view with its window.
        const QPointer<CallLogView> self(this);
        reportViewError(e, "frmBaseMain_UpdateSQL");
        if (!self)
            return;
        // A query that cannot run (a table that does not exist, bad text) leaves the call log open and the
        // view on the last query that worked.
        if (!m_lastGoodSQL.isEmpty())
            m_host.strSQL = m_lastGoodSQL;
    }
    if (windowLinks().findSetCurrentSQL && Links::findVisible())
        windowLinks().findSetCurrentSQL(m_host.strSQL);
}

void CallLogView::readRows(CallRowBatch& batch)
{
    // A log refused as the pass began has been said once already.
    if (m_unreadable || !gCallerDB || m_host.strSQL != m_lastGoodSQL)
        return;
    try {
        ReadRows(m_host.strSQL, batch);
    } catch (const SqlError& e) {
        batch.rows.clear();
        reportViewError(e, "frmBaseMain_RefreshGrid");
    }
}

namespace {

int writeNumber(qint64 value, char16_t* out)
{
    char16_t digits[24];
    int n = 0;
    const bool negative = value < 0;
    quint64 v = negative ? quint64(0) - quint64(value) : quint64(value);
    do {
        digits[n++] = char16_t(u'0' + v % 10);
        v /= 10;
    } while (v);
    int len = 0;
    if (negative)
        out[len++] = u'-';
    while (n)
        out[len++] = digits[--n];
    return len;
}

// A column's stored text as UTF-16. Plain ASCII (nearly every name, number, date and answer) is widened
// into scratch, which keeps its room from row to row; anything else is decoded into slow.
QStringView widen(QByteArrayView utf8, std::vector<char16_t>& scratch, QString& slow)
{
    const qsizetype n = utf8.size();
    const char* in = utf8.data();
    for (qsizetype i = 0; i < n; ++i) {
        if (static_cast<unsigned char>(in[i]) >= 0x80) {
            slow = QString::fromUtf8(utf8);
            return slow;
        }
    }
    if (scratch.size() < size_t(n))
        scratch.resize(size_t(n));
    for (qsizetype i = 0; i < n; ++i)
        scratch[size_t(i)] = char16_t(static_cast<unsigned char>(in[i]));
    return QStringView(scratch.data(), n);
}

// What a call's number shows in the list: the contact owning it, if any.
struct ContactMatch {
    bool matched = false;
    QString shown; // the contact's name, with the number's description
    quint32 colour = 0;
};

} // namespace

void CallLogView::ReadRows(const QString& jetSql, CallRowBatch& batch)
{
    SqlDatabase* reader = CallerDBReader();
    if (!reader)
        return;
    SqlStatement st = reader->prepareQuery(jetSql);
    // Columns by name, whatever the query selects; a column it leaves out shows empty.
    enum Field { ID, Name, Number, Date, Rings, Answered, FieldCount };
    static const char* const names[FieldCount] = {"id", "fldname", "fldnumber", "flddate", "fldrings", "fldanswered"};
    std::array<int, FieldCount> column;
    column.fill(-1);
    for (int c = 0; c < st.columnCount(); ++c) {
        const QString name = st.columnName(c).toLower();
        for (int f = 0; f < FieldCount; ++f)
            if (column[size_t(f)] < 0 && name == QLatin1String(names[f]))
                column[size_t(f)] = c;
    }
    std::array<std::vector<char16_t>, FieldCount> scratch;
    std::array<QString, FieldCount> slow;
    auto text = [&](Field f) {
        const int c = column[size_t(f)];
        return c >= 0 ? widen(st.utf8(c), scratch[size_t(f)], slow[size_t(f)]) : QStringView();
    };
    auto number = [&st, &column](Field f) { return column[size_t(f)] >= 0 ? st.int64(column[size_t(f)]) : 0; };

    // Calls from one number share their contact: each number is matched once a refill.
    const bool anyContact = !gContacts.isEmpty();
    QHash<QString, ContactMatch> matches;
    char16_t dateBuffer[DateText::StoredToGeneralMax];
    char16_t ringsBuffer[24];
    char16_t idBuffer[24];
    QString dateFallback;
    while (st.step()) {
        const qint32 id = qint32(number(ID));
        const qint32 rings = qint32(number(Rings));
        const QStringView callNumber = text(Number);
        QStringView shown = text(Name);
        quint32 colour = 0;
        if (anyContact) {
            const QString key = callNumber.toString();
            auto match = matches.constFind(key);
            if (match == matches.cend()) {
                clsCaller probe;
                MatchCallerToContact(key, probe);
                ContactMatch m;
                if (!probe.ContactName.isEmpty()) {
                    m.matched = true;
                    m.shown = probe.PrintNameDescription();
                    m.colour = CallRowColour(probe.AttributeGroup);
                }
                match = matches.insert(key, m);
            }
            if (match->matched) {
                shown = match->shown;
                colour = match->colour;
            }
        }
        QStringView date;
        if (column[Date] >= 0) {
            const QStringView stored = text(Date);
            const int n = DateText::storedToGeneral(stored, dateBuffer);
            if (n >= 0) {
                date = QStringView(dateBuffer, n);
            } else {
                const auto parsed = DateText::fromIso(stored.toString());
                dateFallback = parsed ? DateText::format(*parsed) : stored.toString();
                date = dateFallback;
            }
        }
        const QStringView ringsText(ringsBuffer, writeNumber(rings, ringsBuffer));
        const QStringView idText(idBuffer, writeNumber(id, idBuffer));
        batch.append({shown, callNumber, date, ringsText, text(Answered), idText}, id, colour);
    }
}

void CallLogView::ChoosePeriod(int index)
{
    if (index == ViewTime::Custom) {
        if (windowLinks().showCustomizeTime)
            windowLinks().showCustomizeTime(QStringLiteral("Main"), parent());
        return;
    }
    int period = index;
    const QString sql = ViewTimeSQL(period);
    m_host.UncheckTimeMenu();
    m_host.setViewTimeChecked(period);
    m_host.strSQL = sql;
    SaveProperty(Section::frmMain, Key::ViewTime, QString::number(period));
    RefreshGrid();
}

#include "config/CallLogSearch.h"

#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/SettingsKeys.h"
#include "core/clsContact.h"
#include "core/clsTokenizer.h"
#include "core/modCallerDB.h"
#include "core/modContactDB.h"
#include "core/modError.h"
#include "core/modProperties.h"
#include "network/ServerRequests.h"
#include "network/clsRemoteSocket.h"
#include "platform/Clock.h"
#include "platform/DateText.h"
#include "platform/Prompt.h"
#include "platform/SqlError.h"
#include "statistics/modStatistics.h"

const QString CallLogSearch::NotValid = QStringLiteral("NOT VALID");
const QString CallLogSearch::BeginningOfRecords = QStringLiteral("Beginning of Records");
const QString CallLogSearch::EndOfRecords = QStringLiteral("End of Records");
const QString CallLogSearch::Present = QStringLiteral("Present");

namespace {

const QString kHead = QStringLiteral("Select * From tblCID Where");

QString quoted(QString text)
{
    return QLatin1Char('\'') + text.replace(QLatin1Char('\''), QLatin1String("''")) + QLatin1Char('\'');
}

bool sameWord(const QString& text, const QString& word)
{
    return text.trimmed().compare(word, Qt::CaseInsensitive) == 0;
}

// A date the search can compare with: a date the date reader takes, and not a time alone (which stands on
// the zero date of 1899).
bool isDate(const QString& text)
{
    const auto parsed = DateText::parse(text);
    return parsed && parsed->date().year() != 1899;
}

// The entries of a recent-items setting in stored order, newest first, without empty ones.
QStringList history(const char* key)
{
    QStringList out;
    clsTokenizer tokens(GetProperty(QString::fromLatin1(Section::frmFind), QString::fromLatin1(key), QString()),
                        QStringLiteral(";"), true);
    while (tokens.MoreTokens()) {
        const QString entry = tokens.NextToken();
        if (!entry.isEmpty())
            out << entry;
    }
    return out;
}

void addHistory(const char* key, const QString& item)
{
    AddRecentItem(QString::fromLatin1(Section::frmFind), QString::fromLatin1(key), item);
}

} // namespace

QString CallLogSearch::StripRequestSeparators(const QString& text)
{
    QString out = text;
    out.remove(QLatin1Char(';'));
    out.remove(QLatin1Char('|'));
    return out;
}

// --- the page writers ------------------------------------------------------------------------------------

void CallLogSearch::WriteNameNumberSQL(const QString& typed, bool byName, bool byNumber)
{
    // The box refuses the separators already; text set some other way is cleaned the same.
    const QString text = StripRequestSeparators(typed);
    if (text.isEmpty()) {
        strFindSQL = NotValid;
        return;
    }
    const QString q = quoted(text);
    if (byName && byNumber)
        strFindSQL = kHead + QStringLiteral(" fldName Like ") + q + QStringLiteral(" or fldNumber Like ") + q;
    else if (byName)
        strFindSQL = kHead + QStringLiteral(" fldName Like ") + q;
    else if (byNumber)
        strFindSQL = kHead + QStringLiteral(" fldNumber Like ") + q;
    else
        strFindSQL = NotValid;
    if (strFindSQL == NotValid)
        return;
    strLastNameNumber = text;
    addHistory(Key::NameNumber, text);
}

void CallLogSearch::WriteContactsSQL(const QStringList& checkedNames)
{
    QStringList terms;
    for (const QString& name : checkedNames) {
        const auto contact = GetContact(name);
        if (contact->Name.isEmpty())
            continue;
        // Each stored number matches as plain text, whatever characters it holds.
        for (const auto& entry : contact->Numbers)
            terms << NumberCondition(entry.item->Number);
    }
    if (terms.isEmpty()) {
        strFindSQL = NotValid;
        return;
    }
    // SQLite reads "a or b or c ..." as a chain as deep as it is long and refuses one past 1,000 terms, some
    // 330 contacts: a longer list is put in parentheses a hundred terms at a time, and those groups again,
    // so every contact of a large book is still found.
    constexpr qsizetype kTermsAGroup = 100;
    while (terms.size() > kTermsAGroup) {
        QStringList groups;
        for (qsizetype at = 0; at < terms.size(); at += kTermsAGroup)
            groups << QLatin1Char('(') + terms.mid(at, kTermsAGroup).join(QStringLiteral(" or ")) + QLatin1Char(')');
        terms = groups;
    }
    strFindSQL = kHead + QLatin1Char(' ') + terms.join(QStringLiteral(" or "));
}

bool CallLogSearch::IsValidStartDate(const QString& text)
{
    if (sameWord(text, BeginningOfRecords))
        return !isClientMode();
    return isDate(text);
}

bool CallLogSearch::IsValidEndDate(const QString& text)
{
    if (sameWord(text, Present))
        return true;
    if (sameWord(text, EndOfRecords))
        return !isClientMode();
    return isDate(text);
}

CallLogSearch::DateBox CallLogSearch::WriteDateTimeSQL(const QString& start, const QString& end)
{
    const bool startValid = IsValidStartDate(start);
    const bool endValid = IsValidEndDate(end);
    if (!startValid || !endValid) {
        strFindSQL = NotValid;
        const QString message = !startValid && !endValid
                                    ? QStringLiteral("Starting date and ending date must both be dates.")
                                : !endValid ? QStringLiteral("Ending date must be a date.")
                                            : QStringLiteral("Starting date must be a date.");
        Prompt::message(message, Prompt::OkOnly, Prompt::Critical);
        return startValid ? DateBox::End : DateBox::Start;
    }
    strLastStartDate = start;
    strLastEndDate = end;
    // The first and the last call of the log are themselves found: those bounds compare inclusively.
    QString sql;
    if (sameWord(start, BeginningOfRecords)) {
        sql = kHead + QStringLiteral(" fldDate >= #") + DateText::format(GetFirstCallDate());
    } else {
        addHistory(Key::CustomStartDate, start);
        sql = kHead + QStringLiteral(" fldDate > #") + start.trimmed();
    }
    if (sameWord(end, Present)) {
        sql += QStringLiteral("# and fldDate < #") + DateText::format(Clock::now()) + QLatin1Char('#');
    } else if (sameWord(end, EndOfRecords)) {
        sql += QStringLiteral("# and fldDate <= #") + DateText::format(GetLastCallDate()) + QLatin1Char('#');
    } else {
        addHistory(Key::CustomEndDate, end);
        sql += QStringLiteral("# and fldDate < #") + end.trimmed() + QLatin1Char('#');
    }
    strFindSQL = sql;
    return DateBox::None;
}

void CallLogSearch::WriteCustomSQL(const QString& typed)
{
    // A statement ends without ";": one typed at the end would split the history entry in two and, sent to
    // a server, end the request early.
    QString text = typed;
    while (!text.isEmpty() && (text.endsWith(QLatin1Char(';')) || text.back().isSpace()))
        text.chop(1);
    if (text.isEmpty()) {
        strFindSQL = NotValid;
        return;
    }
    const bool holdsSeparator = text.contains(QLatin1Char(';'));
    if (holdsSeparator && isClientMode()) {
        Prompt::message(QStringLiteral("A SQL statement sent to the server cannot contain \";\". Remove it and "
                                       "search again."),
                        Prompt::OkOnly, Prompt::Critical);
        strFindSQL = NotValid;
        return;
    }
    strFindSQL = text;
    intSQLIndex = 0;
    if (!holdsSeparator)
        addHistory(Key::CustomSQL, text);
    strLastCustomSQL = text;
}

// --- the hand-over -----------------------------------------------------------------------------------------

CallLogSearch::Outcome CallLogSearch::HandOver(const std::function<void(const QString&)>& showCurrent,
                                               const std::function<void()>& showWaiting)
{
    Outcome outcome;
    const QString sql = strFindSQL;
    strFindSQL.clear();
    MainWindow* main = gMainForm;
    if (sql.isEmpty() || sql.compare(NotValid, Qt::CaseInsensitive) == 0 || !main)
        return outcome;
    if (isClientMode() && sql.size() > ServerRequests::kMaxQueryChars) {
        // The server would refuse it; the user hears so here, and the list keeps the view it shows.
        Prompt::message(ServerRequests::tooLongText(QStringLiteral("SQL")), Prompt::OkOnly, Prompt::Exclamation);
        return outcome;
    }
    outcome.handedOver = true;
    outcome.sql = sql;
    main->UncheckTimeMenu();
    if (showCurrent)
        showCurrent(sql);
    main->strSQL = sql;
    if (isClientMode()) {
        if (showWaiting)
            showWaiting();
        if (gRemoteSocket)
            gRemoteSocket->SendData(QStringLiteral(";SQL;") + sql);
        return outcome;
    }
    // A query the log refuses is said by the main window, whose view stays on the last one that ran; the
    // count is then that view's.
    main->UpdateSQL();
    // A refused query is said in a box; the program may end while it waits, its main window with it.
    if (gMainForm != main)
        return outcome;
    try {
        outcome.records = CountCallers(main->strSQL);
    } catch (const SqlError& e) {
        SaveError(e.code(), e.message(), QStringLiteral("frmFind"));
        ReportError(QStringLiteral("frmFind_cmdFind_Click"));
        outcome.records = 0;
    }
    main->RefreshGrid();
    return outcome;
}

// --- histories ---------------------------------------------------------------------------------------------

QStringList CallLogSearch::NameNumberHistory() { return history(Key::NameNumber); }

QStringList CallLogSearch::StartDateHistory()
{
    QStringList items;
    if (!isClientMode())
        items << BeginningOfRecords;
    return items + history(Key::CustomStartDate);
}

QStringList CallLogSearch::EndDateHistory()
{
    QStringList items{Present};
    if (!isClientMode())
        items << EndOfRecords;
    return items + history(Key::CustomEndDate);
}

std::optional<QString> CallLogSearch::NavigateSQL(int index)
{
    // Read again at each click; an empty history still splits into one empty entry.
    QStringList entries;
    clsTokenizer tokens(
        GetProperty(QString::fromLatin1(Section::frmFind), QString::fromLatin1(Key::CustomSQL), QString()),
        QStringLiteral(";"), true);
    while (tokens.MoreTokens())
        entries << tokens.NextToken();
    const int last = tokens.TokenCount(); // entries minus one
    bool show = false;
    if (index == 1) {
        if (intSQLIndex < 9 && intSQLIndex <= last) {
            ++intSQLIndex;
            show = true;
        } else if (intSQLIndex >= 9) {
            intSQLIndex = 9;
            show = true;
        }
    } else if (intSQLIndex > 1) {
        --intSQLIndex;
        show = true;
    }
    if (!show || intSQLIndex < 1 || intSQLIndex > entries.size())
        return std::nullopt;
    return entries[intSQLIndex - 1];
}

bool CallLogSearch::SecretClick()
{
    if (++intSecretClicks < 3)
        return false;
    intSecretClicks = 0;
    SettingsBatch batch;
    for (const char* key : {Key::NameNumber, Key::CustomStartDate, Key::CustomEndDate, Key::CustomSQL})
        SaveProperty(QString::fromLatin1(Section::frmFind), QString::fromLatin1(key), QString());
    return true;
}

CallLogSearch& callLogSearch()
{
    static CallLogSearch search;
    return search;
}

void resetCallLogSearch() { callLogSearch() = CallLogSearch(); }

#include "core/modMain.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <limits>

#include <unistd.h>

#include <QDesktopServices>
#include <QLocale>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>
#include <QUrl>

#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/SettingsKeys.h"
#include "core/modAPI.h"
#include "core/modError.h"
#include "core/modProperties.h"
#include "platform/Clock.h"
#include "platform/DataFile.h"
#include "platform/DateText.h"
#include "platform/DesktopLauncher.h"
#include "platform/DiagnosticLog.h"
#include "platform/EventLoopChoice.h"
#include "platform/PlainFile.h"
#include "platform/ProgramFolder.h"
#include "platform/Prompt.h"

namespace {

QString g_lastLogDate;
// An activity-log line that could not be written yet: as it reads ("date:  text") and as the log's record.
// One the diagnostic trail already had to put on standard error is not put there again when the program ends.
struct HeldLine {
    QString text;
    QString record;
    bool onStandardError = false;
};
// The held lines, oldest first, and how many went to the diagnostic trail beyond them.
QList<HeldLine> g_logBacklog;
qint64 g_logGivenUp = 0;
bool g_logFailureReported = false;
constexpr qsizetype kMaxLogBacklog = 1000;
// The faults already said in this process (AddEventOnce).
QSet<QString> g_saidOnce;

double round2(double value) { return std::round(value * 100.0) / 100.0; }

// Shortest decimal form with the user's decimal separator (the default locale, which is the system's unless
// the program chose another); these numbers are only read by people, never parsed again.
QString shortNumber(double value)
{
    if (value == 0)
        value = 0; // no "-0"
    QString text = QString::number(value, 'g', QLocale::FloatingPointShortest);
    return text.replace(QLatin1Char('.'), QLocale().decimalPoint());
}

} // namespace

// ---------------------------------------------------------------- start-up texts

QString DatabaseMessage(int callerStatus, int contactStatus, const QString& folder, const QString& callerCause,
                        const QString& contactCause)
{
    const QString& p = folder;
    // Only 0, 1 and 2 have a line of the table; a file that could not be opened or made is said separately.
    const int c = callerStatus <= 2 ? callerStatus : 0;
    const int k = contactStatus <= 2 ? contactStatus : 0;
    const QString both = QStringLiteral("The caller and contact databases could not be found. ");
    QString text;
    if (c == 1 && k == 0)
        text = QStringLiteral("The caller database could not be found. A new database was created in ") + p + '.';
    else if (c == 2 && k == 0)
        text = QStringLiteral("The caller database could not be found. A database was found in ") + p + '.';
    else if (c == 0 && k == 1)
        text = QStringLiteral("The contact database could not be found. A new database was created in ") + p + '.';
    else if (c == 1 && k == 1)
        text = both + QStringLiteral("New databases were created in ") + p + '.';
    else if (c == 2 && k == 1)
        text = both + QStringLiteral("A new contact database was created in ") + p +
               QStringLiteral(". A caller database was found in ") + p + '.';
    else if (c == 0 && k == 2)
        text = QStringLiteral("The contact database could not be found. A database was found in ") + p + '.';
    else if (c == 1 && k == 2)
        text = both + QStringLiteral("A new Caller database was created in ") + p +
               QStringLiteral(". A contact database was found in ") + p + '.';
    else if (c == 2 && k == 2)
        text = both + QStringLiteral("Databases were found in ") + p + '.';

    auto add = [&text](const QString& sentence) {
        if (!text.isEmpty())
            text += QLatin1Char(' ');
        text += sentence;
    };
    const struct {
        int status;
        const char* what;
        const char* file;
        QString cause;
    } problems[] = {{callerStatus, "caller", "/dbCID.mdb", callerCause},
                    {contactStatus, "contact", "/dbContacts.mdb", contactCause}};
    for (const auto& d : problems) {
        const QString because = d.cause.isEmpty() ? QString() : QStringLiteral(" (") + d.cause + QLatin1Char(')');
        if (d.status == 3)
            add(QStringLiteral("The %1 database %2 could not be opened%3; Velquon runs without it.")
                    .arg(QLatin1String(d.what), p + QLatin1String(d.file), because));
        else if (d.status == 4)
            add(QStringLiteral("The %1 database could not be created in %2%3; Velquon runs without it.")
                    .arg(QLatin1String(d.what), p, because));
    }
    return text;
}

QString TimeAwayEvent(const QString& logOffTime, const QDateTime& now)
{
    double hours = 0;
    if (const auto then = DateText::parse(logOffTime))
        hours = round2(double(then->msecsTo(now)) / 3600000.0);
    const qint64 days = qint64(std::trunc(hours / 24.0));
    hours = round2(hours - double(days) * 24.0);
    if (days == 0)
        return QStringLiteral("Logged off for ") + shortNumber(hours) + QStringLiteral(" hours");
    return QStringLiteral("Logged off for ") + QString::number(days) + QStringLiteral(" days ") + shortNumber(hours) +
           QStringLiteral(" hours");
}

void SaveLogOffTime() { SaveProperty(Section::frmConfiguration, Key::LogOffTime, DateText::format(Clock::now())); }

// ---------------------------------------------------------------- event list and activity log

void resetActivityLogState()
{
    g_lastLogDate.clear();
    g_logBacklog.clear();
    g_logGivenUp = 0;
    g_logFailureReported = false;
    g_saidOnce.clear();
}

namespace {

void showEvent(const QString& text)
{
    MainWindow* w = gMainForm;
    if (!w)
        return;
    w->StatusTimerEnabled = true;
    w->intStatusTimer = 0;
    w->setStatusText(text);
    QStringListModel& list = w->lstEvents;
    if (list.rowCount() > 0 && list.index(0).data().toString().isEmpty())
        list.removeRows(0, 1);
    const int max = textToWhole(GetProperty(Section::frmConfiguration, Key::MaxEventLog, "100"), 100);
    if (list.rowCount() >= max && list.rowCount() > 0)
        list.removeRows(0, 1);
    const int row = list.rowCount();
    list.insertRows(row, 1);
    list.setData(list.index(row), text);
    w->lstEventsSelected = row;
    w->eventAdded(row);
}

} // namespace

void AddEvent(const QString& text)
{
    showEvent(text);
    LogActivity(text);
}

namespace {

// Moves a full log aside. What cannot be moved (a read-only folder, a folder in the older file's place) is
// emptied all the same, to keep the bound; the returned text says so the first time in this process, and
// goes into the emptied log. A log whose lines would be refused is left as it is.
QString rotateActivityLog(const QString& path)
{
    QString reason;
    if (PlainFile::keepWithin(path, ActivityLogMaxBytes, 0, &reason) != PlainFile::Bound::Emptied)
        return QString();
    const QString older = path + QStringLiteral(".1");
    const QString key = QStringLiteral("rotate ") + path;
    if (g_saidOnce.contains(key))
        return QString();
    g_saidOnce.insert(key);
    const QString report = QStringLiteral("The activity log could not be moved aside to ") + older +
                           QStringLiteral(" (") + reason + QStringLiteral("); it was emptied to stay within ") +
                           QString::number(ActivityLogMaxBytes / (1024 * 1024)) + QStringLiteral(" MB");
    DiagnosticLog::write(report);
    showEvent(report);
    return report;
}

QString activityLogPath() { return programFolder() + QStringLiteral("/ActivityLog.dat"); }

// The held lines, and the count of those given up beyond them, as the log's records.
QStringList heldRecords(const QDateTime& now)
{
    QStringList records;
    for (const HeldLine& held : std::as_const(g_logBacklog))
        records << held.record;
    if (g_logGivenUp > 0) {
        records << DataFile::formatField(DateText::format(now) + QStringLiteral(":  ") + QString::number(g_logGivenUp) +
                                         QStringLiteral(" earlier event lines could not be written"));
    }
    return records;
}

void forgetHeldLines()
{
    g_logBacklog.clear();
    g_logGivenUp = 0;
}

// lasting: the line must outlive the process even if the log is never written again; it goes to the
// diagnostic trail at once as well.
bool writeActivityLog(const QString& text, bool lasting)
{
    const QString path = activityLogPath();
    const QDateTime now = Clock::now();
    const QString today = DateText::shortDate(now.date());
    QStringList lines;
    if (g_lastLogDate.isEmpty() || g_lastLogDate != today)
        lines << QString();
    // One record a line: a line break inside an event would split it in two.
    QString flat = text;
    flat.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    flat.replace(QLatin1Char('\r'), QLatin1Char(' '));
    flat.replace(QLatin1Char('\n'), QLatin1Char(' '));
    const QString line = DateText::format(now) + QStringLiteral(":  ") + flat;
    // The whole record is one quoted field, so a quote inside the event text cannot break the file.
    const QString record = DataFile::formatField(line);
    QStringList all = heldRecords(now);
    QString error;
    const QString rotated = rotateActivityLog(path);
    if (!rotated.isEmpty())
        all << DataFile::formatField(DateText::format(now) + QStringLiteral(":  ") + rotated);
    all += lines;
    all << record;
    if (DataFile::appendLines(path, all, &error)) {
        g_lastLogDate = today;
        forgetHeldLines();
        g_logFailureReported = false;
        return true;
    }
    if (!g_logFailureReported) {
        // Said where it can still be seen: the error trail (standard error when even that cannot be written)
        // and the event list, whose own line would only fail to be written again.
        g_logFailureReported = true;
        const QString report = QStringLiteral("Could not write the activity log ") + path + QStringLiteral(": ") +
                               error + QStringLiteral("; its lines are kept until it can be written");
        DiagnosticLog::write(report);
        showEvent(report);
    }
    if (g_logBacklog.size() < kMaxLogBacklog) {
        HeldLine held{line, record};
        if (lasting)
            held.onStandardError = !DiagnosticLog::write(line);
        g_logBacklog << held;
    } else {
        // Past the bound a line is no longer held but given to the diagnostic trail now (standard error when the
        // trail cannot be written either); the log is told later how many went that way.
        ++g_logGivenUp;
        DiagnosticLog::write(line);
    }
    return false;
}

} // namespace

bool LogActivity(const QString& text)
{
    if (!textToBool(GetProperty(Section::frmConfiguration, Key::LogActivity, "False")))
        return true;
    return writeActivityLog(text, false);
}

void AddEventOnce(const QString& key, const QString& text)
{
    if (g_saidOnce.contains(key))
        return;
    g_saidOnce.insert(key);
    AddEvent(text);
}

void AddLastingEvent(const QString& text)
{
    showEvent(text);
    // Unwritten, the error trail keeps it too, or standard error when the program folder cannot be written at all.
    writeActivityLog(text, true);
}

void writeHeldActivityLinesAtEnd()
{
    if (g_logBacklog.isEmpty() && g_logGivenUp == 0)
        return;
    const QString path = activityLogPath();
    const QDateTime now = Clock::now();
    QString error;
    if (DataFile::appendLines(path, heldRecords(now), &error)) {
        forgetHeldLines();
        return;
    }
    // The process takes them with it otherwise. Written straight to the descriptor: this also runs from an
    // exit handler, when Qt's message output may already be gone.
    QByteArray out;
    for (const HeldLine& held : std::as_const(g_logBacklog)) {
        if (!held.onStandardError)
            out += held.text.toUtf8() + '\n';
    }
    if (g_logGivenUp > 0) {
        out += (DateText::format(now) + QStringLiteral(":  ") + QString::number(g_logGivenUp) +
                QStringLiteral(" earlier event lines could not be written"))
                   .toUtf8() +
               '\n';
    }
    forgetHeldLines();
    if (out.isEmpty())
        return;
    out.prepend((QStringLiteral("The activity log ") + path + QStringLiteral(" could not be written (") + error +
                 QStringLiteral("); the lines it was to hold:\n"))
                    .toUtf8());
    qsizetype done = 0;
    while (done < out.size()) {
        const ssize_t n = ::write(STDERR_FILENO, out.constData() + done, size_t(out.size() - done));
        if (n > 0)
            done += n;
        else if (n < 0 && errno == EINTR)
            continue;
        else
            break;
    }
}

// ---------------------------------------------------------------------------------------------------------
// Shared window and list functions without widgets
// ---------------------------------------------------------------------------------------------------------

QString ViewTimeSQL(int& index)
{
    if (index < 0 || index > ViewTime::All || index == 1 || index == 5 || index == 8 || index == 11)
        index = ViewTime::Day1;
    if (index == ViewTime::All)
        return QStringLiteral("Select * From tblCID");
    // Whole seconds keep the arithmetic exact; the periods are the menu's.
    qint64 seconds = 0;
    switch (index) {
    case ViewTime::Minutes15:
        seconds = 15 * 60;
        break;
    case ViewTime::Hour1:
        seconds = 3600;
        break;
    case ViewTime::Hours3:
        seconds = 3 * 3600;
        break;
    case ViewTime::Hours12:
        seconds = 12 * 3600;
        break;
    case ViewTime::Days3:
        seconds = 3 * 86400;
        break;
    case ViewTime::Week1:
        seconds = 7 * 86400;
        break;
    case ViewTime::Weeks3:
        seconds = 21 * 86400;
        break;
    default:
        seconds = 86400;
        break;
    }
    const QDateTime since = Clock::now().addSecs(-seconds);
    return QStringLiteral("Select * From tblCID Where fldDate > #") + DateText::format(since) + QLatin1Char('#');
}

void SetViewTime(int& index)
{
    const QString sql = ViewTimeSQL(index);
    MainWindow* w = gMainForm;
    if (!w)
        return;
    w->UncheckTimeMenu();
    w->setViewTimeChecked(index);
    w->strSQL = sql;
}

bool IsIPBlocked(const QString& entry)
{
    const QStringList items = ListToArray(GetProperty(Section::frmConfiguration, Key::BlockedIPs, QString()));
    const QString wanted = entry.toUpper();
    for (const QString& item : items) {
        if (!item.isEmpty() && item.toUpper() == wanted)
            return true;
    }
    return false;
}

QString StripSeparators(const QString& text, const QString& replacement)
{
    QString out = text;
    out.replace(QStringLiteral("//"), replacement);
    out.replace(QLatin1Char(';'), replacement);
    out.replace(QLatin1Char('|'), replacement);
    out.replace(QLatin1Char('\''), replacement);
    return out;
}

QVariant ConvertCheck(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool() ? 1 : 0;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::Double: {
        const double d = value.toDouble();
        if (d == 0)
            return false;
        if (d == 1)
            return true;
        return QVariant();
    }
    case QMetaType::QString: {
        const QString t = value.toString();
        if (t == QLatin1String("0"))
            return false;
        if (t == QLatin1String("1"))
            return true;
        // Settings are written "True"/"False" but read in any case.
        if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
            return 1;
        if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
            return 0;
        return QVariant();
    }
    default:
        return QVariant();
    }
}

QString ValidateNumberText(const QString& text, double minimum, double maximum, double fallback)
{
    bool ok = false;
    double value = text.trimmed().toDouble(&ok);
    QString out = text;
    if (!ok || std::isnan(value)) {
        value = fallback;
        out = QString::number(fallback);
    }
    if (value > maximum)
        out = QString::number(maximum);
    else if (value < minimum)
        out = QString::number(minimum);
    return out;
}

bool OpenHyperlink(const QString& ownerHandleText, const QString& link)
{
    (void)ownerHandleText;
    const QUrl url = QUrl::fromUserInput(link.trimmed());
    const auto failed = [] { ShowError(QStringLiteral("A hyper link error occured.")); };
    // A link nothing can take now is said at once; one the desktop's opener finds no program for, then.
    if (link.trimmed().isEmpty() || !url.isValid() || !DesktopLauncher::open(url, failed)) {
        failed();
        return false;
    }
    return true;
}

bool OpenNetworkSettings()
{
    // The desktops' own network tools, most specific first.
    static const QList<QStringList> tools = {
        {QStringLiteral("nm-connection-editor")},
        {QStringLiteral("gnome-control-center"), QStringLiteral("network")},
        {QStringLiteral("systemsettings"), QStringLiteral("kcm_networkmanagement")},
        {QStringLiteral("nm-applet")},
    };
    for (const QStringList& tool : tools) {
        const QString exe = QStandardPaths::findExecutable(tool.first());
        if (exe.isEmpty())
            continue;
        QProcess process;
        process.setProgram(exe);
        process.setArguments(tool.mid(1));
        process.setProcessEnvironment(EventLoopChoice::childEnvironment());
        if (process.startDetached())
            return true;
    }
    Prompt::message(QStringLiteral("No network settings tool was found on this computer. "
                                   "Change the network connection with your desktop's own settings."),
                    Prompt::OkOnly, Prompt::Information);
    return false;
}

bool OpenModemSettings()
{
    Prompt::message(QStringLiteral("This system has no separate modem settings tool. "
                                   "Choose the modem's port and settings in Velquon's options."),
                    Prompt::OkOnly, Prompt::Information);
    return false;
}

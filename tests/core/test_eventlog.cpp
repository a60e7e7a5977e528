#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/resource.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/SettingsKeys.h"
#include "core/modAttributeGroup.h"
#include "core/modError.h"
#include "core/modMain.h"
#include "core/modProperties.h"
#include "platform/Clock.h"
#include "platform/DataFile.h"
#include "platform/DiagnosticLog.h"
#include "platform/Prompt.h"
#include "statistics/modStatistics.h"
#include "support/StandardErrorCapture.h"
#include "support/TempHome.h"

// A main window without widgets: AddEvent works on the interface's own event list and status text.
class BareWindow : public MainWindow {
public:
    int lastAdded = -1;
    void eventAdded(int row) override { lastAdded = row; }
};

class TestEventLog : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void eventGoesToStatusAndList();
    void eventListTrimmedToMaxEventLog();
    void leadingBlankLineIsDropped();
    void eventWithoutWindowStillLogged();
    void activityLogOffWritesNothing();
    void activityLogBlankLineRules();
    void activityLogKeepsQuotesAndLineBreaks();
    void activityLogFailureIsReportedOnceAndLinesKept();
    void linesPastTheHeldBoundGoToTheDiagnosticLog();
    void heldLinesLeaveWithTheProgramOnStandardErrorOnce();
    void fullDiskIsNamedAsSuch();
    void dataFilesThatAreNoPlainFilesAreSaidOnce();
    void logThatCannotBeMovedAsideIsSaidOnce();
    void showErrorWithMessage();
    void showErrorWithKeptError();
    void reportGoesToTheDiagnosticLogOnly();
    void fullDiagnosticLogIsMovedAsideOnce();
    void unwritableDiagnosticLogFallsBackToStandardError_data();
    void unwritableDiagnosticLogFallsBackToStandardError();
    void aFreshHomeKeepsNoError();

private:
    QStringList events() const { return m_window->lstEvents.stringList(); }
    QByteArray logBytes() const;
    QStringList diagnosticLines() const;

    std::unique_ptr<TempHome> m_home;
    std::unique_ptr<BareWindow> m_window;
};

void TestEventLog::init()
{
    m_home = std::make_unique<TempHome>();
    m_window = std::make_unique<BareWindow>();
    gMainForm = m_window.get();
    Clock::setNow(QDateTime(QDate(2024, 3, 21), QTime(14, 5, 7), Qt::UTC));
}

void TestEventLog::cleanup()
{
    m_home.reset();
    m_window.reset();
}

QByteArray TestEventLog::logBytes() const
{
    QFile f(m_home->file(QStringLiteral("ActivityLog.dat")));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList TestEventLog::diagnosticLines() const
{
    QFile f(DiagnosticLog::path());
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void TestEventLog::eventGoesToStatusAndList()
{
    m_window->intStatusTimer = 7;
    AddEvent(QStringLiteral("Opened Com1"));
    QCOMPARE(m_window->statusText(), QStringLiteral("Opened Com1"));
    QCOMPARE(events(), QStringList{QStringLiteral("Opened Com1")});
    QCOMPARE(m_window->intStatusTimer, 0);
    QVERIFY(m_window->StatusTimerEnabled);
    QCOMPARE(m_window->lstEventsSelected, 0);
    QCOMPARE(m_window->lastAdded, 0);
}

void TestEventLog::eventListTrimmedToMaxEventLog()
{
    SaveProperty(Section::frmConfiguration, Key::MaxEventLog, QStringLiteral("5"));
    for (int i = 1; i <= 5; ++i)
        AddEvent(QString::number(i));
    QCOMPARE(events().size(), 5);
    AddEvent(QStringLiteral("6"));
    QCOMPARE(events(), (QStringList{"2", "3", "4", "5", "6"}));
    QCOMPARE(m_window->lstEventsSelected, 4);

    // Lowering the limit drops one line per event, not all the surplus at once.
    SaveProperty(Section::frmConfiguration, Key::MaxEventLog, QStringLiteral("2"));
    AddEvent(QStringLiteral("7"));
    QCOMPARE(events(), (QStringList{"3", "4", "5", "6", "7"}));

    // Default 100.
    SaveProperty(Section::frmConfiguration, Key::MaxEventLog, QStringLiteral("not a number"));
    for (int i = 0; i < 150; ++i)
        AddEvent(QStringLiteral("x"));
    QCOMPARE(events().size(), 100);

    // A limit too large for a whole number is simply very large.
    SaveProperty(Section::frmConfiguration, Key::MaxEventLog, QStringLiteral("1e12"));
    for (int i = 0; i < 50; ++i)
        AddEvent(QStringLiteral("y"));
    QCOMPARE(events().size(), 150);
}

void TestEventLog::leadingBlankLineIsDropped()
{
    // A main window starts its list with blank lines; each event drops the first one while it is blank.
    m_window->lstEvents.setStringList({QString(), QString(), QStringLiteral("old")});
    AddEvent(QStringLiteral("new"));
    QCOMPARE(events(), (QStringList{QString(), QStringLiteral("old"), QStringLiteral("new")}));
    AddEvent(QStringLiteral("newer"));
    QCOMPARE(events(), (QStringList{"old", "new", "newer"}));
    AddEvent(QStringLiteral("newest"));
    QCOMPARE(events().first(), QStringLiteral("old"));
}

void TestEventLog::eventWithoutWindowStillLogged()
{
    gMainForm = nullptr;
    SaveProperty(Section::frmConfiguration, Key::LogActivity, QStringLiteral("True"));
    AddEvent(QStringLiteral("No window"));
    QVERIFY(logBytes().contains("No window"));
}

void TestEventLog::activityLogOffWritesNothing()
{
    AddEvent(QStringLiteral("Started Velquon"));
    QVERIFY(!QFile::exists(m_home->file(QStringLiteral("ActivityLog.dat"))));
    SaveProperty(Section::frmConfiguration, Key::LogActivity, QStringLiteral("False"));
    AddEvent(QStringLiteral("Still off"));
    QVERIFY(!QFile::exists(m_home->file(QStringLiteral("ActivityLog.dat"))));
}

void TestEventLog::activityLogBlankLineRules()
{
    AddEvent(QStringLiteral("before"));
    // Switched on while running: the first line of the process starts with a blank line.
    SaveProperty(Section::frmConfiguration, Key::LogActivity, QStringLiteral("true"));
    AddEvent(QStringLiteral("one"));
    Clock::advance(60);
    AddEvent(QStringLiteral("two"));
    // Past midnight: a blank line first.
    Clock::setNow(QDateTime(QDate(2024, 3, 22), QTime(0, 0, 1), Qt::UTC));
    AddEvent(QStringLiteral("three"));
    QCOMPARE(QString::fromUtf8(logBytes()),
             QStringLiteral("\r\n\"3/21/2024 2:05:07 PM:  one\"\r\n\"3/21/2024 2:06:07 PM:  two\"\r\n"
                            "\r\n\"3/22/2024 12:00:01 AM:  three\"\r\n"));

    // A new process (forgotten date) starts with a blank line again, even on the same day.
    resetActivityLogState();
    AddEvent(QStringLiteral("four"));
    QVERIFY(logBytes().endsWith("\"\r\n\r\n\"3/22/2024 12:00:01 AM:  four\"\r\n"));
}

void TestEventLog::activityLogKeepsQuotesAndLineBreaks()
{
    SaveProperty(Section::frmConfiguration, Key::LogActivity, QStringLiteral("True"));
    const QString text = QStringLiteral("Incoming Call From:  \"BOB\", 555-1234");
    AddEvent(text);
    AddEvent(QStringLiteral("first line\r\nsecond line"));
    const QList<QByteArray> lines = logBytes().split('\n');
    // blank, two records, and the empty piece after the last line end
    QCOMPARE(lines.size(), 4);
    const DataFile::Record first = DataFile::parseRecord(QString::fromUtf8(lines[1]).chopped(1));
    QCOMPARE(first.size(), 1);
    QCOMPARE(first[0].toString(), QStringLiteral("3/21/2024 2:05:07 PM:  ") + text);
    const DataFile::Record second = DataFile::parseRecord(QString::fromUtf8(lines[2]).chopped(1));
    QCOMPARE(second[0].toString(), QStringLiteral("3/21/2024 2:05:07 PM:  first line second line"));
}

void TestEventLog::activityLogFailureIsReportedOnceAndLinesKept()
{
    SaveProperty(Section::frmConfiguration, Key::LogActivity, QStringLiteral("True"));
    // A folder where the file should be: the open fails, the event still reaches the window.
    QVERIFY(QDir(m_home->path()).mkdir(QStringLiteral("ActivityLog.dat")));
    AddEvent(QStringLiteral("cannot log"));
    AddEvent(QStringLiteral("cannot log either"));
    AddEvent(QStringLiteral("nor this"));
    const QStringList shown = events();
    QCOMPARE(shown.size(), 4);
    QCOMPARE(shown.at(0), QStringLiteral("cannot log"));
    // Said once, in the list and in the diagnostic log, not in a box.
    QVERIFY(shown.at(1).startsWith(QStringLiteral("Could not write the activity log ") + m_home->path() +
                                   QStringLiteral("/ActivityLog.dat: ")));
    QCOMPARE(shown.filter(QStringLiteral("Could not write the activity log")).size(), 1);
    QCOMPARE(diagnosticLines().size(), 1);
    QCOMPARE(diagnosticLines().first().mid(20), shown.at(1));
    QVERIFY(Prompt::history().isEmpty());

    // Once the file can be written, nothing that happened meanwhile is missing.
    QVERIFY(QDir(m_home->path()).rmdir(QStringLiteral("ActivityLog.dat")));
    AddEvent(QStringLiteral("written again"));
    const QString log = QString::fromUtf8(logBytes());
    QStringList order;
    for (const QString& text : {QStringLiteral("cannot log\""), QStringLiteral("cannot log either"),
                                QStringLiteral("nor this"), QStringLiteral("written again")})
        order << QString::number(log.indexOf(text));
    for (const QString& at : order)
        QVERIFY2(at.toInt() > 0, qPrintable(log));
    QVERIFY(order[0].toInt() < order[1].toInt() && order[1].toInt() < order[2].toInt() &&
            order[2].toInt() < order[3].toInt());

    // A later failure is a new one, and is said again.
    QVERIFY(QFile::remove(m_home->file(QStringLiteral("ActivityLog.dat"))));
    QVERIFY(QDir(m_home->path()).mkdir(QStringLiteral("ActivityLog.dat")));
    AddEvent(QStringLiteral("lost again"));
    QCOMPARE(events().filter(QStringLiteral("Could not write the activity log")).size(), 2);
    QCOMPARE(diagnosticLines().size(), 2);
    // A line that must outlive the process is in the trail at once: a kill or a power cut may come before the end.
    AddLastingEvent(QStringLiteral("Call not stored (disk full):  JANE ROE"));
    QCOMPARE(diagnosticLines().filter(QStringLiteral("Call not stored (disk full):  JANE ROE")).size(), 1);
}

// Past the held lines' bound a line is not dropped: the diagnostic log takes it at once, and the activity log,
// once it can be written, still counts how many went that way.
void TestEventLog::linesPastTheHeldBoundGoToTheDiagnosticLog()
{
    SaveProperty(Section::frmConfiguration, Key::LogActivity, QStringLiteral("True"));
    QVERIFY(QDir(m_home->path()).mkdir(QStringLiteral("ActivityLog.dat")));
    for (int i = 0; i < 1000; ++i)
        AddEvent(QStringLiteral("held %1").arg(i));
    QCOMPARE(diagnosticLines().filter(QStringLiteral("held ")).size(), 0);
    AddEvent(QStringLiteral("one past the bound"));
    AddEvent(QStringLiteral("two past the bound"));
    const QStringList trail = diagnosticLines();
    QCOMPARE(trail.filter(QStringLiteral("3/21/2024 2:05:07 PM:  one past the bound")).size(), 1);
    QCOMPARE(trail.filter(QStringLiteral("3/21/2024 2:05:07 PM:  two past the bound")).size(), 1);
    QCOMPARE(trail.filter(QStringLiteral("held ")).size(), 0);

    QVERIFY(QDir(m_home->path()).rmdir(QStringLiteral("ActivityLog.dat")));
    AddEvent(QStringLiteral("written again"));
    const QString log = QString::fromUtf8(logBytes());
    QVERIFY(log.contains(QStringLiteral(":  held 0\"")) && log.contains(QStringLiteral(":  held 999\"")));
    QVERIFY(log.contains(QStringLiteral(":  2 earlier event lines could not be written")));
    QVERIFY(!log.contains(QStringLiteral("past the bound")));
    QVERIFY(log.indexOf(QStringLiteral("held 999")) < log.indexOf(QStringLiteral("written again")));
}

// The activity log and the diagnostic log both unwritable, as on a full disk: what the activity log holds
// leaves with the program on standard error, each line once there, a lasting line the trail already put
// there too.
void TestEventLog::heldLinesLeaveWithTheProgramOnStandardErrorOnce()
{
    SaveProperty(Section::frmConfiguration, Key::LogActivity, QStringLiteral("True"));
    QVERIFY(QDir(m_home->path()).mkdir(QStringLiteral("ActivityLog.dat")));
    QVERIFY(QDir(m_home->path()).mkdir(QStringLiteral("Diagnostics.log")));
    const QString ring = QStringLiteral("Incoming Call From:  JANE ROE     (555) 123-4567     1 Rings");
    const QString lasting = QStringLiteral("Call not stored (disk full):  JANE ROE     (555) 123-4567");
    StandardErrorCapture captured;
    AddEvent(ring);
    AddLastingEvent(lasting);
    writeHeldActivityLinesAtEnd();
    // The exit handler after the exit steps finds nothing more to say.
    writeHeldActivityLinesAtEnd();
    const QString said = captured.take();
    QCOMPARE(said.count(QStringLiteral("3/21/2024 2:05:07 PM:  ") + ring), 1);
    QCOMPARE(said.count(lasting), 1);

    // A log that can be written again by the end takes them itself.
    StandardErrorCapture again;
    AddEvent(QStringLiteral("held until the end"));
    QVERIFY(QDir(m_home->path()).rmdir(QStringLiteral("ActivityLog.dat")));
    writeHeldActivityLinesAtEnd();
    QVERIFY(!again.take().contains(QStringLiteral("held until the end")));
    QVERIFY(QString::fromUtf8(logBytes()).contains(QStringLiteral(":  held until the end\"")));
}

// A full disk is told as a full disk, not as an unknown error: the system's device that is always full
// stands in for the log's disk.
void TestEventLog::fullDiskIsNamedAsSuch()
{
    if (!QFileInfo(QStringLiteral("/dev/full")).isWritable())
        QSKIP("this system has no /dev/full to write to");
    SaveProperty(Section::frmConfiguration, Key::LogActivity, QStringLiteral("True"));
    QVERIFY(QFile::link(QStringLiteral("/dev/full"), m_home->file(QStringLiteral("ActivityLog.dat"))));
    AddEvent(QStringLiteral("no room"));
    const QStringList said = events().filter(QStringLiteral("Could not write the activity log"));
    QCOMPARE(said.size(), 1);
    // In the user's language, as the system says it.
    const auto reason = [](int code) { return QString::fromLocal8Bit(std::strerror(code)); };
    QVERIFY2(said.first().contains(QStringLiteral(": ") + reason(ENOSPC) + QStringLiteral("; its lines are kept")),
             qPrintable(said.first()));
    QVERIFY(QFile::remove(m_home->file(QStringLiteral("ActivityLog.dat"))));

    // Room for part of a line only: what fitted is taken back, so the log never holds half a line.
    resetActivityLogState();
    AddEvent(QStringLiteral("before"));
    const QByteArray before = logBytes();
    signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    QVERIFY(getrlimit(RLIMIT_FSIZE, &saved) == 0);
    rlimit low = saved;
    low.rlim_cur = rlim_t(before.size() + 10);
    QVERIFY(setrlimit(RLIMIT_FSIZE, &low) == 0);
    AddEvent(QStringLiteral("a line longer than the room that is left"));
    setrlimit(RLIMIT_FSIZE, &saved);
    QCOMPARE(logBytes(), before);
    QVERIFY2(events().last().contains(QStringLiteral(": ") + reason(EFBIG) + QStringLiteral("; its lines are kept")),
             qPrintable(events().last()));
}

// A FIFO or a folder in a data file's place is never opened to wait on it, and each is said once.
void TestEventLog::dataFilesThatAreNoPlainFilesAreSaidOnce()
{
    SaveProperty(Section::frmConfiguration, Key::LogActivity, QStringLiteral("True"));
    const QString log = m_home->file(QStringLiteral("ActivityLog.dat"));
    QVERIFY(::mkfifo(QFile::encodeName(log).constData(), 0600) == 0);
    // With a reader the FIFO would take the lines away; without one, opening it would wait for ever.
    const int reader = ::open(QFile::encodeName(log).constData(), O_RDONLY | O_NONBLOCK);
    QVERIFY(reader >= 0);
    AddEvent(QStringLiteral("into a FIFO"));
    ::close(reader);
    const QString said = QStringLiteral("Could not write the activity log ") + log +
                         QStringLiteral(": it is a named pipe (FIFO), not a file; its lines are kept until it can "
                                        "be written");
    QCOMPARE(events().filter(said).size(), 1);
    AddEvent(QStringLiteral("with nobody reading"));
    QCOMPARE(events().filter(said).size(), 1);

    QVERIFY(QDir(m_home->path()).mkdir(QStringLiteral("Statistics.dat")));
    QVERIFY(::mkfifo(QFile::encodeName(m_home->file(QStringLiteral("AttributeGroups.dat"))).constData(), 0600) == 0);
    for (int start = 0; start < 2; ++start) {
        LoadStatisticsFromFile(m_home->file(QStringLiteral("Statistics.dat")));
        LoadAttributeGroupsFromFile(m_home->file(QStringLiteral("AttributeGroups.dat")));
    }
    QCOMPARE(events().filter(QStringLiteral(" cannot be read: it is a folder, not a file; no ")).size(), 1);
    QCOMPARE(events().filter(QStringLiteral(" cannot be read: it is a named pipe (FIFO), not a file; no ")).size(), 1);
}

// A full log that cannot be moved aside (a folder in the older file's place) is emptied to keep its bound,
// and that is said once: in the event list, the diagnostic log and the emptied log itself.
void TestEventLog::logThatCannotBeMovedAsideIsSaidOnce()
{
    SaveProperty(Section::frmConfiguration, Key::LogActivity, QStringLiteral("True"));
    const QString log = m_home->file(QStringLiteral("ActivityLog.dat"));
    QVERIFY(QDir(m_home->path()).mkpath(QStringLiteral("ActivityLog.dat.1/inside")));
    const auto fill = [&log] {
        QFile f(log);
        QVERIFY(f.open(QIODevice::Append) && f.resize(ActivityLogMaxBytes));
    };
    fill();
    AddEvent(QStringLiteral("past the bound"));
    const QString said = QStringLiteral("The activity log could not be moved aside to ") + log + QStringLiteral(".1");
    QCOMPARE(events().filter(said).size(), 1);
    QVERIFY(logBytes().size() < 1000);
    QVERIFY(QString::fromUtf8(logBytes()).contains(said));
    fill();
    AddEvent(QStringLiteral("past it again"));
    QCOMPARE(events().filter(said).size(), 1);
    QCOMPARE(diagnosticLines().filter(said).size(), 1);
}

void TestEventLog::showErrorWithMessage()
{
    ShowError(QStringLiteral("The port is in use.\r\nChoose another port."));
    QCOMPARE(events(), QStringList{QStringLiteral("The port is in use.Choose another port.")});
    QCOMPARE(Prompt::history().size(), 1);
    const Prompt::Record& box = Prompt::history().first();
    QCOMPARE(box.kind, Prompt::Kind::Message);
    QCOMPARE(box.title, QStringLiteral("Velquon"));
    QCOMPARE(box.text, QStringLiteral("The port is in use.\r\nChoose another port."));
    QCOMPARE(box.icon, int(Prompt::Exclamation));
    QCOMPARE(box.buttons, int(Prompt::OkOnly));
}

void TestEventLog::showErrorWithKeptError()
{
    // A number that does not fit in 16 bits is shown whole.
    SaveError(-2147024894, QStringLiteral("The system cannot find the file specified."),
              QStringLiteral("WshShell.RegRead"));
    ReportError(QStringLiteral("modProperties_ReadKey"));
    QCOMPARE(gErrNumber, -2147024894);
    ShowError(QString());
    QCOMPARE(events(), QStringList{QStringLiteral("Cannot perform operation.Error #-2147024894: The system cannot "
                                                  "find the file specified. Source: WshShell.RegRead")});
    QCOMPARE(Prompt::history().last().text,
             QStringLiteral("Cannot perform operation.\r\nError #-2147024894: The system cannot find the file "
                            "specified.\r\nSource: WshShell.RegRead"));
    QCOMPARE(Prompt::history().last().icon, int(Prompt::Exclamation));
    QCOMPARE(lastReportedTag(), QStringLiteral("modProperties_ReadKey"));
}

void TestEventLog::reportGoesToTheDiagnosticLogOnly()
{
    QCOMPARE(DiagnosticLog::path(), m_home->file(QStringLiteral("Diagnostics.log")));
    SaveError(kNoCurrentRecordError, QStringLiteral("No current record."), QStringLiteral("modCallerDB"));
    ReportError(QStringLiteral("modCallerDB_EditCaller"));
    // A description over several lines stays one line of the log.
    SaveError(19, QStringLiteral("UNIQUE constraint failed:\r\ntblNumbers.fldNumber"), QStringLiteral("modContactDB"));
    ReportError(QStringLiteral("modContactDB_AddContact"));

    const QStringList lines = diagnosticLines();
    QCOMPARE(lines.size(), 2);
    static const QRegularExpression stamp(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d "));
    QVERIFY2(stamp.match(lines[0]).hasMatch(), qPrintable(lines[0]));
    QCOMPARE(lines[0].mid(20),
             QStringLiteral("modCallerDB_EditCaller: Error #3021: No current record. Source: modCallerDB"));
    QCOMPARE(lines[1].mid(20), QStringLiteral("modContactDB_AddContact: Error #19: UNIQUE constraint failed: "
                                              "tblNumbers.fldNumber Source: modContactDB"));
    // The user sees nothing of it, and the kept error is still there for a window to show.
    QVERIFY(Prompt::history().isEmpty());
    QVERIFY(events().isEmpty());
    QCOMPARE(gErrNumber, 19);
    QCOMPARE(gErrSource, QStringLiteral("modContactDB"));
}

// A test's own home starts without the error an earlier one kept: showing "the kept error" shows nothing old.
void TestEventLog::aFreshHomeKeepsNoError()
{
    SaveError(kNoCurrentRecordError, QStringLiteral("No current record."), QStringLiteral("modCallerDB"));
    m_home.reset();
    m_home = std::make_unique<TempHome>();
    QCOMPARE(gErrNumber, 0);
    QCOMPARE(gErrDescription, QString());
    QCOMPARE(gErrSource, QString());
}

void TestEventLog::fullDiagnosticLogIsMovedAsideOnce()
{
    const QString log = DiagnosticLog::path();
    const QByteArray full(DiagnosticLog::MaxBytes - 10, 'x');
    for (const auto& [path, bytes] : {std::pair{log, full}, std::pair{log + ".1", QByteArray("oldest\n")}}) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    SaveError(5, QStringLiteral("Invalid procedure call"));
    ReportError(QStringLiteral("modAPI_SetAutoStart"));
    // The full file became the older one (the oldest is gone); the report starts the new file.
    QCOMPARE(QFileInfo(log + ".1").size(), full.size());
    QCOMPARE(diagnosticLines().size(), 1);
    QVERIFY(diagnosticLines().first().endsWith(
        QStringLiteral("modAPI_SetAutoStart: Error #5: Invalid procedure call Source: Velquon")));
    QVERIFY(!QFileInfo::exists(log + ".2"));
    // Below the bound the file grows.
    ReportError(QStringLiteral("modAPI_SetAutoStart"));
    QCOMPARE(diagnosticLines().size(), 2);
    QCOMPARE(QFileInfo(log + ".1").size(), full.size());
}

void TestEventLog::unwritableDiagnosticLogFallsBackToStandardError_data()
{
    QTest::addColumn<bool>("fifo");
    // A folder where the file should be: no user, root included, can write it.
    QTest::newRow("folder") << false;
    // A FIFO nobody reads: opening it to write would wait for ever.
    QTest::newRow("FIFO") << true;
}

void TestEventLog::unwritableDiagnosticLogFallsBackToStandardError()
{
    QFETCH(bool, fifo);
    const QByteArray log = QFile::encodeName(DiagnosticLog::path());
    QVERIFY(fifo ? ::mkfifo(log.constData(), 0600) == 0 : QDir().mkpath(DiagnosticLog::path()));
    StandardErrorCapture captured;
    SaveError(7, QStringLiteral("Out of memory"), QStringLiteral("modMain"));
    ReportError(QStringLiteral("modMain_Main"));
    const QString text = captured.take();
    QVERIFY2(text.contains(QStringLiteral("modMain_Main: Error #7: Out of memory Source: modMain")), qPrintable(text));
    QVERIFY2(text.contains(DiagnosticLog::path()), qPrintable(text));
    QCOMPARE(QStringList(text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)).size(), 1);
    QVERIFY(fifo ? !QFileInfo(DiagnosticLog::path()).isFile() : QFileInfo(DiagnosticLog::path()).isDir());
    QVERIFY(Prompt::history().isEmpty());
}

QTEST_GUILESS_MAIN(TestEventLog)
#include "test_eventlog.moc"

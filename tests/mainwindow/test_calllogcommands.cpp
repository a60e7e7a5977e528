#include "mainwindow/CallLogCommands.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>

#include <memory>

#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/SettingsKeys.h"
#include "core/modCallerDB.h"
#include "core/modContactDB.h"
#include "core/modError.h"
#include "core/modProperties.h"
#include "mainwindow/CallListModel.h"
#include "platform/Clock.h"
#include "platform/DateText.h"
#include "platform/Prompt.h"
#include "platform/SqlDatabase.h"
#include "support/AnotherCopy.h"
#include "support/TempHome.h"

// The call-log commands without any window: a real call log in a temporary program folder, the list as
// the model the grid shows, the questions scripted.
class TestCallLogCommands : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void editStoresOneFieldAndReportsTheStoredCall_data();
    void editStoresOneFieldAndReportsTheStoredCall();
    void editRefusesWhatTheLogCannotHold_data();
    void editRefusesWhatTheLogCannotHold();
    void editOfTheSelectedRowAsksFirst();
    void editOnAServerTellsTheClientsAndMatchesTheContact();
    void deleteTakesTheSelectedBlockByItsIDs();
    void deleteRefusesAndAsks();
    void clearDeletesTheCallsOfTheViewQuery();
    void newDatabaseAsksUntilAFreshFile();
    void changeDatabaseRefusesWhatIsNoCallLog();
    void theCommonEndingTellsTheClientsFirst();
    void editTakesItsCallBeforeTheQuestion();
    void deleteTakesItsCallsBeforeTheQuestion();
    void clearTakesTheViewBeforeTheQuestion();
    void theLogIsNotReplacedUnderARingingCall();
    void anotherCopysFolderTakesNoLogAndTheLockFollows();
    void aRefusedLogLeavesNoLockOnItsFolder_data();
    void aRefusedLogLeavesNoLockOnItsFolder();

private:
    // Stores n calls, one an hour back from now (the newest first), and lists them in that order.
    QList<qint32> addCalls(int n);
    // A call comes in now (stored) and the list is read again, as the window's refill leaves it: the new call
    // on top, the others below, the selection parked on the headings.
    qint32 callArrivesAndListIsReadAgain(const QList<qint32>& listed);
    static QString goneText(const clsCaller& c);
    static QList<qint32> storedIDs();
    static clsCaller stored(qint32 id);
    QString logPath() const { return GetProperty(Section::frmConfiguration, Key::CallerDBPath, QString()); }

    std::unique_ptr<TempHome> m_home;
    std::unique_ptr<CallListModel> m_list;
    std::unique_ptr<CallLogCommands> m_commands;
    MainWindow m_host; // holds the event list the commands write to
};

void TestCallLogCommands::init()
{
    m_home = std::make_unique<TempHome>();
    gMainForm = &m_host;
    m_host.lstEvents.setStringList({});
    Clock::setNow(QDateTime(QDate(2024, 3, 21), QTime(14, 0, 0), Qt::UTC));
    QVERIFY(CreateCallerDB(m_home->file(QStringLiteral("dbCID.mdb"))));
    SaveProperty(Section::frmConfiguration, Key::CallerDBPath, m_home->file(QStringLiteral("dbCID.mdb")));
    QVERIFY(CreateContactDB(m_home->file(QStringLiteral("dbContacts.mdb"))));
    SaveProperty(Section::frmConfiguration, Key::ContactDBPath, m_home->file(QStringLiteral("dbContacts.mdb")));
    SaveError(0, QString());
    ReportError(QString());
    m_list = std::make_unique<CallListModel>();
    m_commands = std::make_unique<CallLogCommands>();
}

void TestCallLogCommands::cleanup()
{
    m_commands.reset();
    m_list.reset();
    m_home.reset();
}

QList<qint32> TestCallLogCommands::addCalls(int n)
{
    QList<qint32> ids;
    for (int i = 0; i < n; ++i) {
        clsCaller c;
        c.Name = QStringLiteral("CALLER %1").arg(i);
        c.Number.Number = QStringLiteral("555-01%1").arg(i, 2, 10, QLatin1Char('0'));
        c.CallerDate = DateText::format(Clock::now().addSecs(-3600 * (i + 1)));
        c.Rings = 2;
        c.Answered = QStringLiteral("N/A");
        AddCaller(c);
        ids.append(c.ID);
        m_list->addRow(
            {c.Name, c.Number.Number, c.CallerDate, QString::number(c.Rings), c.Answered, QString::number(c.ID)});
    }
    return ids;
}

qint32 TestCallLogCommands::callArrivesAndListIsReadAgain(const QList<qint32>& listed)
{
    clsCaller c;
    c.Name = QStringLiteral("JUST NOW");
    c.Number.Number = QStringLiteral("555-9999");
    c.CallerDate = DateText::format(Clock::now());
    c.Rings = 1;
    c.Answered = QStringLiteral("N/A");
    AddCaller(c);
    m_list->clearRows();
    for (const clsCaller& row : QList<clsCaller>{c} + [&] {
             QList<clsCaller> rest;
             for (qint32 id : listed)
                 rest << stored(id);
             return rest;
         }())
        m_list->addRow({row.Name, row.Number.Number, row.CallerDate, QString::number(row.Rings), row.Answered,
                        QString::number(row.ID)});
    m_list->select(0, 0, CallListModel::ColID, CallListModel::ColID);
    return c.ID;
}

QString TestCallLogCommands::goneText(const clsCaller& c)
{
    return QStringLiteral("The call from \"%1\" at %2 was changed or removed while this window waited; nothing was "
                          "changed.")
        .arg(c.Name, c.CallerDate);
}

QList<qint32> TestCallLogCommands::storedIDs()
{
    QList<qint32> ids;
    for (const clsCaller& c : SelectCallers(QStringLiteral("Select * From tblCID")))
        ids.append(c.ID);
    std::sort(ids.begin(), ids.end());
    return ids;
}

clsCaller TestCallLogCommands::stored(qint32 id)
{
    return SelectCallers(QStringLiteral("Select * From tblCID Where ID = %1").arg(id)).value(0);
}

// --- editing -------------------------------------------------------------------------------------------

void TestCallLogCommands::editStoresOneFieldAndReportsTheStoredCall_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("date");
    QTest::addColumn<int>("rings");
    QTest::addColumn<QString>("answered");
    const QString date; // the call's own date, unchanged
    QTest::newRow("name") << int(CallListModel::ColName) << "NEW NAME"
                          << "NEW NAME"
                          << "555-0100" << date << 2 << "N/A";
    QTest::newRow("number") << int(CallListModel::ColNumber) << "(555) 123-4567"
                            << "CALLER 0"
                            << "(555) 123-4567" << date << 2 << "N/A";
    // Any form the date parser reads is stored in the one general form.
    QTest::newRow("date") << int(CallListModel::ColDate) << "2024-03-01 09:05:00"
                          << "CALLER 0"
                          << "555-0100"
                          << "3/1/2024 9:05:00 AM" << 2 << "N/A";
    QTest::newRow("rings") << int(CallListModel::ColRings) << "7"
                           << "CALLER 0"
                           << "555-0100" << date << 7 << "N/A";
    QTest::newRow("answered") << int(CallListModel::ColAnswered) << "YES"
                              << "CALLER 0"
                              << "555-0100" << date << 2 << "YES";
    // What an edit stores is the editor's form of the text, whoever sent it.
    QTest::newRow("number in the editor's form") << int(CallListModel::ColNumber) << "5551234"
                                                 << "CALLER 0"
                                                 << "555-1234" << date << 2 << "N/A";
    QTest::newRow("answered upper-cased") << int(CallListModel::ColAnswered) << "no"
                                          << "CALLER 0"
                                          << "555-0100" << date << 2 << "NO";
    // A column that names no field stores the call as it is, and still reports it.
    QTest::newRow("no field") << int(CallListModel::ColumnCount) << "ignored"
                              << "CALLER 0"
                              << "555-0100" << date << 2 << "N/A";
}

void TestCallLogCommands::editStoresOneFieldAndReportsTheStoredCall()
{
    QFETCH(int, column);
    QFETCH(QString, text);
    QFETCH(QString, date);
    const qint32 id = addCalls(2).first();
    const QString ownDate = stored(id).CallerDate;
    QSignalSpy edited(m_commands.get(), &CallLogCommands::callerEdited);
    QSignalSpy sent(m_commands.get(), &CallLogCommands::broadcast);
    m_commands->EditGrid(column, text, id, *m_list);
    const clsCaller c = stored(id);
    QTEST(c.Name, "name");
    QTEST(c.Number.Number, "number");
    QCOMPARE(c.CallerDate, date.isEmpty() ? ownDate : date);
    QTEST(int(c.Rings), "rings");
    QTEST(c.Answered, "answered");
    QCOMPARE(edited.count(), 1);
    const auto reported = edited.at(0).at(0).value<clsCaller>();
    QCOMPARE(reported.ID, id);
    QCOMPARE(reported.PrintSend(), c.PrintSend());
    QVERIFY(sent.isEmpty()); // standalone: nobody to tell
    QVERIFY(Prompt::history().isEmpty());
    // The other call is untouched.
    QCOMPARE(stored(id + 1).Name, QStringLiteral("CALLER 1"));
}

void TestCallLogCommands::editRefusesWhatTheLogCannotHold_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("text");
    QTest::newRow("no date") << int(CallListModel::ColDate) << "the day after tomorrow";
    QTest::newRow("letters for rings") << int(CallListModel::ColRings) << "abc";
    QTest::newRow("a fraction of a ring") << int(CallListModel::ColRings) << "4.5";
    QTest::newRow("negative rings") << int(CallListModel::ColRings) << "-3";
    QTest::newRow("rings past 32 bits") << int(CallListModel::ColRings) << "99999999999";
    // A client's edit passes no editor: a separator in a name would break every client's record text.
    QTest::newRow("separator in a name") << int(CallListModel::ColName) << "EVE|1|X";
    QTest::newRow("empty name") << int(CallListModel::ColName) << "";
    QTest::newRow("no number") << int(CallListModel::ColNumber) << "12";
    QTest::newRow("answered otherwise") << int(CallListModel::ColAnswered) << "maybe";
}

void TestCallLogCommands::editRefusesWhatTheLogCannotHold()
{
    QFETCH(int, column);
    QFETCH(QString, text);
    const qint32 id = addCalls(1).first();
    const QString before = stored(id).PrintSend();
    QSignalSpy edited(m_commands.get(), &CallLogCommands::callerEdited);
    m_commands->EditGrid(column, text, id, *m_list);
    QCOMPARE(stored(id).PrintSend(), before);
    QVERIFY(edited.isEmpty());
    QCOMPARE(gErrNumber, kTypeMismatchError);
    QCOMPARE(gErrDescription, QStringLiteral("Type mismatch"));
    QCOMPARE(lastReportedTag(), QStringLiteral("frmBaseMain_EditGrid"));
    QVERIFY(Prompt::history().isEmpty());
}

void TestCallLogCommands::editOfTheSelectedRowAsksFirst()
{
    const QList<qint32> ids = addCalls(3);
    QSignalSpy edited(m_commands.get(), &CallLogCommands::callerEdited);
    // The call edited is the one of the selection's moving end (RowSel), not of its anchor.
    m_list->setRow(1);
    m_list->setRowSel(2);
    Prompt::queueAnswer(Prompt::No);
    m_commands->EditGrid(CallListModel::ColName, QStringLiteral("SOMEONE ELSE"), -1, *m_list);
    QCOMPARE(Prompt::texts(), QStringList{QStringLiteral(
                                  "Are you sure you want to permanently edit the original caller id information?")});
    QCOMPARE(Prompt::history().first().buttons, int(Prompt::YesNo));
    QCOMPARE(Prompt::history().first().icon, int(Prompt::Exclamation));
    QCOMPARE(stored(ids[1]).Name, QStringLiteral("CALLER 1"));
    QVERIFY(edited.isEmpty());

    Prompt::queueAnswer(Prompt::Yes);
    m_commands->EditGrid(CallListModel::ColName, QStringLiteral("SOMEONE ELSE"), -1, *m_list);
    QCOMPARE(stored(ids[1]).Name, QStringLiteral("SOMEONE ELSE"));
    QCOMPARE(stored(ids[0]).Name, QStringLiteral("CALLER 0"));
    QCOMPARE(edited.count(), 1);

    // Without ConfirmDeletion nothing is asked.
    SaveProperty(Section::frmConfiguration, Key::ConfirmDeletion, QStringLiteral("False"));
    Prompt::clearHistory();
    m_list->setRow(3);
    m_commands->EditGrid(CallListModel::ColAnswered, QStringLiteral("NO"), -1, *m_list);
    QVERIFY(Prompt::history().isEmpty());
    QCOMPARE(stored(ids[2]).Answered, QStringLiteral("NO"));

    // An ID cell that holds no number edits nothing: its text never reaches a query.
    m_list->setTextMatrix(3, CallListModel::ColID, QStringLiteral("1 or 1=1"));
    m_commands->EditGrid(CallListModel::ColName, QStringLiteral("EVERYONE"), -1, *m_list);
    for (qint32 id : ids)
        QVERIFY(stored(id).Name != QStringLiteral("EVERYONE"));
    QCOMPARE(edited.count(), 2);
}

void TestCallLogCommands::editOnAServerTellsTheClientsAndMatchesTheContact()
{
    clsContact book;
    book.Name = QStringLiteral("Aunt Mary");
    book.AddNumber(std::make_shared<clsNumber>(QStringLiteral("555-7777"), QStringLiteral("Home")));
    QVERIFY(AddContact(book));
    const qint32 id = addCalls(1).first();
    gNetworkMode = Server;
    QSignalSpy edited(m_commands.get(), &CallLogCommands::callerEdited);
    QSignalSpy sent(m_commands.get(), &CallLogCommands::broadcast);
    m_commands->EditGrid(CallListModel::ColNumber, QStringLiteral("555-7777"), id, *m_list);
    QCOMPARE(edited.count(), 1);
    const auto reported = edited.at(0).at(0).value<clsCaller>();
    QCOMPARE(reported.ContactName, QStringLiteral("Aunt Mary"));
    QCOMPARE(reported.Number.Description, QStringLiteral("Home"));
    QCOMPARE(sent.count(), 1);
    QCOMPARE(sent.at(0).at(0).toString(), QStringLiteral(";EDIT CALLER;") + reported.PrintSend() + QStringLiteral(";"));
    QVERIFY(sent.at(0).at(0).toString().startsWith(QStringLiteral(";EDIT CALLER;|%1|CALLER 0|").arg(id)));

    // An ID that is in no record changes nothing and tells nobody.
    m_commands->EditGrid(CallListModel::ColName, QStringLiteral("NOBODY"), id + 100, *m_list);
    QCOMPARE(edited.count(), 1);
    QCOMPARE(sent.count(), 1);
}

// --- deleting ------------------------------------------------------------------------------------------

void TestCallLogCommands::deleteTakesTheSelectedBlockByItsIDs()
{
    const QList<qint32> all = addCalls(6);
    // Selected from the bottom up: rows 5 to 2.
    m_list->setRow(5);
    m_list->setRowSel(2);
    Prompt::queueAnswer(Prompt::Yes);
    QCOMPARE(m_commands->DeleteSelected(*m_list), CallLogCommands::Removal::Removed);
    QCOMPARE(Prompt::texts().value(0),
             QStringLiteral("Are you sure you want to permanently remove these records from the database?"));
    QCOMPARE(storedIDs(), (QList<qint32>{all[0], all[5]}));
    // The list is the host's to change.
    QCOMPARE(m_list->rows(), 7);

    // One row: the singular question, and exactly that call goes.
    Prompt::clearHistory();
    m_list->setRow(6);
    Prompt::queueAnswer(Prompt::Yes);
    QCOMPARE(m_commands->DeleteSelected(*m_list), CallLogCommands::Removal::Removed);
    QCOMPARE(Prompt::texts().value(0),
             QStringLiteral("Are you sure you want to permanently remove this record from the database?"));
    QCOMPARE(storedIDs(), QList<qint32>{all[0]});
}

void TestCallLogCommands::deleteRefusesAndAsks()
{
    const QList<qint32> all = addCalls(3);
    m_list->setRow(1);
    m_list->setRowSel(3);
    // "No" keeps everything.
    Prompt::queueAnswer(Prompt::No);
    QCOMPARE(m_commands->DeleteSelected(*m_list), CallLogCommands::Removal::Nothing);
    QCOMPARE(Prompt::history().size(), 1);
    QCOMPARE(storedIDs(), all);

    // While a call rings nothing goes, and nothing is asked.
    Prompt::clearHistory();
    gRinging = true;
    QCOMPARE(m_commands->DeleteSelected(*m_list), CallLogCommands::Removal::Nothing);
    QVERIFY(!m_commands->ClearView(QStringLiteral("Select * From tblCID"), *m_list));
    gRinging = false;
    QVERIFY(Prompt::history().isEmpty());
    QCOMPARE(storedIDs(), all);

    // Nothing selected (the heading row): nothing asked.
    m_list->select(0, 0, CallListModel::ColID, CallListModel::ColID);
    QCOMPARE(m_commands->DeleteSelected(*m_list), CallLogCommands::Removal::Nothing);
    QVERIFY(Prompt::history().isEmpty());

    // A block with a row whose ID cell holds no record number deletes none of it.
    SaveProperty(Section::frmConfiguration, Key::ConfirmDeletion, QStringLiteral("False"));
    m_list->setTextMatrix(2, CallListModel::ColID, QStringLiteral("1 or 1=1"));
    m_list->setRow(1);
    m_list->setRowSel(3);
    QCOMPARE(m_commands->DeleteSelected(*m_list), CallLogCommands::Removal::Nothing);
    QCOMPARE(storedIDs(), all);
    QCOMPARE(gErrNumber, kTypeMismatchError);
    QCOMPARE(lastReportedTag(), QStringLiteral("frmBaseMain_mnuEditDelete_Click"));
    QVERIFY(Prompt::history().isEmpty());

    // An empty list: nothing to do.
    m_list->clearRows();
    QCOMPARE(m_commands->DeleteSelected(*m_list), CallLogCommands::Removal::Nothing);
    QVERIFY(!m_commands->ClearView(QStringLiteral("Select * From tblCID"), *m_list));
    QCOMPARE(storedIDs(), all);
}

void TestCallLogCommands::clearDeletesTheCallsOfTheViewQuery()
{
    const QList<qint32> all = addCalls(30); // one an hour back: 23 inside the last day
    const QString day =
        QStringLiteral("Select * From tblCID Where fldDate > #") + DateText::format(Clock::now().addDays(-1)) + "#";
    const int inDay = int(SelectCallers(day).size());
    QVERIFY(inDay > 1 && inDay < 30);
    Prompt::queueAnswer(Prompt::Yes);
    QVERIFY(m_commands->ClearView(day, *m_list));
    QCOMPARE(Prompt::texts().value(0),
             QStringLiteral("Are you sure you want to permanently remove these records from the database?"));
    QCOMPARE(storedIDs(), all.mid(inDay));

    // The question follows the rows the list shows: one row, the singular one; "No" keeps the calls.
    Prompt::clearHistory();
    m_list->clearRows();
    m_list->addRow(
        {QStringLiteral("CALLER 29"), QString(), QString(), QString(), QString(), QString::number(all.last())});
    Prompt::queueAnswer(Prompt::No);
    QVERIFY(!m_commands->ClearView(QStringLiteral("Select * From tblCID"), *m_list));
    QCOMPARE(Prompt::texts().value(0),
             QStringLiteral("Are you sure you want to permanently remove this record from the database?"));
    QCOMPARE(storedIDs(), all.mid(inDay));

    // A view text that cannot run deletes nothing and is reported; the view is read before the question,
    // so none is asked.
    Prompt::clearHistory();
    QVERIFY(!m_commands->ClearView(QStringLiteral("Select * From tblNoSuchTable"), *m_list));
    QCOMPARE(lastReportedTag(), QStringLiteral("frmBaseMain_mnuEditClear_Click"));
    QVERIFY(Prompt::history().isEmpty());
    QCOMPARE(storedIDs(), all.mid(inDay));

    // "All": the table empties.
    Prompt::queueAnswer(Prompt::Yes);
    QVERIFY(m_commands->ClearView(QStringLiteral("Select * From tblCID"), *m_list));
    QVERIFY(storedIDs().isEmpty());
}

// --- the log file --------------------------------------------------------------------------------------

void TestCallLogCommands::newDatabaseAsksUntilAFreshFile()
{
    addCalls(2);
    const QString current = logPath();

    // A cancelled dialog changes nothing.
    Prompt::queueText(QString());
    QVERIFY(!m_commands->NewDB());
    QCOMPARE(Prompt::history().value(0).kind, Prompt::Kind::SaveFile);
    QCOMPARE(logPath(), current);

    // The file is there: said so, Cancel gives up.
    Prompt::clearHistory();
    Prompt::queueText(current);
    Prompt::queueAnswer(Prompt::Cancel);
    QVERIFY(!m_commands->NewDB());
    QCOMPARE(Prompt::texts().value(1), QStringLiteral("This file name already exits. Choose another file name."));
    QCOMPARE(Prompt::history().value(1).buttons, int(Prompt::OkCancel));
    QCOMPARE(Prompt::history().value(1).icon, int(Prompt::Critical));
    QCOMPARE(storedIDs().size(), 2);

    // A file that cannot be made (its folder is missing) is said so; the log in use stays.
    Prompt::clearHistory();
    const QString nowhere = m_home->file(QStringLiteral("no such folder/new.mdb"));
    Prompt::queueText(nowhere);
    Prompt::queueAnswer(Prompt::Cancel);
    QVERIFY(!m_commands->NewDB());
    QCOMPARE(Prompt::texts().value(1), nowhere + QStringLiteral(" could not be created. Choose another file name."));
    QCOMPARE(lastReportedTag(), QStringLiteral("frmBaseMain_mnuFileNewDB_Click"));
    QCOMPARE(logPath(), current);
    QCOMPARE(storedIDs().size(), 2);

    // OK asks again; the fresh file becomes the log, kept for the next start and named in the events.
    Prompt::clearHistory();
    const QString fresh = m_home->file(QStringLiteral("fresh.mdb"));
    Prompt::queueText(current);
    Prompt::queueAnswer(Prompt::Ok);
    Prompt::queueText(fresh);
    QVERIFY(m_commands->NewDB());
    QCOMPARE(Prompt::history().size(), 3);
    QCOMPARE(Prompt::history().value(2).text, current); // the dialog starts at the log in use
    QCOMPARE(logPath(), fresh);
    QVERIFY(gCallerDB);
    QCOMPARE(gCallerDB->path(), fresh);
    QVERIFY(storedIDs().isEmpty());
    QCOMPARE(m_host.lstEvents.stringList().last(), QStringLiteral("Created and loaded new caller database fresh.mdb"));
}

void TestCallLogCommands::changeDatabaseRefusesWhatIsNoCallLog()
{
    const QString first = logPath();
    addCalls(2);
    const QString second = m_home->file(QStringLiteral("second.mdb"));
    QVERIFY(CreateCallerDB(second));
    clsCaller other;
    other.Name = QStringLiteral("OTHER");
    other.Number.Number = QStringLiteral("555-9999");
    other.CallerDate = DateText::format(Clock::now());
    AddCaller(other);
    SaveProperty(Section::frmConfiguration, Key::CallerDBPath, first);
    QVERIFY(FindCallerDB());
    QCOMPARE(storedIDs().size(), 2);

    // Not a call log: refused, the log in use stays open and named; Cancel gives up.
    const QString junk = m_home->file(QStringLiteral("junk.mdb"));
    {
        QFile f(junk);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("this is no database at all, just some text that is long enough to be read");
    }
    Prompt::queueText(junk);
    Prompt::queueAnswer(Prompt::Cancel);
    QVERIFY(!m_commands->ChangeDB());
    QCOMPARE(Prompt::history().value(0).kind, Prompt::Kind::OpenFile);
    QCOMPARE(Prompt::texts().value(1), junk + QStringLiteral(" is not a valid database file. Choose another file."));
    QCOMPARE(logPath(), first);
    QCOMPARE(gCallerDB->path(), first);
    QCOMPARE(storedIDs().size(), 2);

    // A missing file, then the contact book by another spelling; OK lets the user choose again, and the
    // second log is switched to.
    Prompt::clearHistory();
    const QFileInfo book(GetProperty(Section::frmConfiguration, Key::ContactDBPath, QString()));
    Prompt::queueText(m_home->file(QStringLiteral("missing.mdb")));
    Prompt::queueAnswer(Prompt::Ok);
    Prompt::queueText(book.absolutePath() + QStringLiteral("/./") + book.fileName());
    Prompt::queueAnswer(Prompt::Ok);
    Prompt::queueText(second);
    QVERIFY(m_commands->ChangeDB());
    const QStringList texts = Prompt::texts();
    QCOMPARE(texts.size(), 5);
    QCOMPARE(texts.value(1),
             m_home->file(QStringLiteral("missing.mdb")) + " is not a valid database file. Choose another file.");
    QVERIFY(texts.value(3).endsWith(QStringLiteral(" is already loaded. Choose another file.")));
    QCOMPARE(logPath(), second);
    QCOMPARE(gCallerDB->path(), second);
    QCOMPARE(SelectCallers(QStringLiteral("Select * From tblCID")).value(0).Name, QStringLiteral("OTHER"));
    QCOMPARE(m_host.lstEvents.stringList().last(), QStringLiteral("Loaded caller database second.mdb"));

    // The contact book by its own name is refused as well; choosing the log in use again reloads it.
    Prompt::clearHistory();
    Prompt::queueText(book.absoluteFilePath());
    Prompt::queueAnswer(Prompt::Ok);
    Prompt::queueText(second);
    QVERIFY(m_commands->ChangeDB());
    QCOMPARE(Prompt::texts().value(1),
             book.absoluteFilePath() + QStringLiteral(" is already loaded. Choose another file."));
    QCOMPARE(logPath(), second);
}

void TestCallLogCommands::theCommonEndingTellsTheClientsFirst()
{
    QStringList order;
    connect(m_commands.get(), &CallLogCommands::broadcast, this, [&order](const QString& m) { order << m; });
    connect(m_commands.get(), &CallLogCommands::logChanged, this, [&order] { order << QStringLiteral("changed"); });
    m_commands->LogChanged();
    QCOMPARE(order, (QStringList{QStringLiteral(";UPDATE NEEDED;"), QStringLiteral("changed")}));
}

// --- a change while the question waits ------------------------------------------------------------------

void TestCallLogCommands::editTakesItsCallBeforeTheQuestion()
{
    const QList<qint32> ids = addCalls(3);
    QSignalSpy edited(m_commands.get(), &CallLogCommands::callerEdited);
    // The selected call is the second; while the question waits a call comes in and the list is read again.
    m_list->setRow(2);
    qint32 arrived = 0;
    Prompt::queueMeanwhile([&] { arrived = callArrivesAndListIsReadAgain(ids); });
    Prompt::queueAnswer(Prompt::Yes);
    m_commands->EditGrid(CallListModel::ColName, QStringLiteral("SOMEONE ELSE"), -1, *m_list);
    QCOMPARE(stored(ids[1]).Name, QStringLiteral("SOMEONE ELSE"));
    QCOMPARE(stored(arrived).Name, QStringLiteral("JUST NOW"));
    QCOMPARE(stored(ids[0]).Name, QStringLiteral("CALLER 0"));
    QCOMPARE(edited.count(), 1);

    // The call chosen is deleted (by a client) while the question waits: nothing is edited, and the user
    // hears which call it was.
    m_list->setRow(m_list->findRowById(ids[2]));
    const clsCaller chosen = stored(ids[2]);
    Prompt::clearHistory();
    Prompt::queueMeanwhile([&] { QVERIFY(DeleteCaller(ids[2])); });
    Prompt::queueAnswer(Prompt::Yes);
    m_commands->EditGrid(CallListModel::ColName, QStringLiteral("NOBODY"), -1, *m_list);
    QCOMPARE(edited.count(), 1);
    QCOMPARE(Prompt::texts(), (QStringList{QStringLiteral("Are you sure you want to permanently edit the original "
                                                          "caller id information?"),
                                           goneText(chosen)}));
    QCOMPARE(Prompt::history().last().icon, int(Prompt::Exclamation));
    for (qint32 id : storedIDs())
        QVERIFY(stored(id).Name != QStringLiteral("NOBODY"));
}

void TestCallLogCommands::deleteTakesItsCallsBeforeTheQuestion()
{
    const QList<qint32> all = addCalls(4);
    // Rows 2 to 3 are chosen; while the question waits a call comes in and the list is read again, which
    // leaves no row selected. The chosen calls go, and only they.
    m_list->setRow(2);
    m_list->setRowSel(3);
    qint32 arrived = 0;
    Prompt::queueMeanwhile([&] { arrived = callArrivesAndListIsReadAgain(all); });
    Prompt::queueAnswer(Prompt::Yes);
    QCOMPARE(m_commands->DeleteSelected(*m_list), CallLogCommands::Removal::Removed);
    QCOMPARE(storedIDs(), (QList<qint32>{all[0], all[3], arrived}));
    QCOMPARE(m_commands->deletedIDs(), (std::vector<qint64>{all[1], all[2]}));
    m_list->removeRowsById(m_commands->deletedIDs()); // as the window does

    // One of the chosen calls is deleted by a client while the question waits: the user agreed to delete a
    // set that is gone, so nothing is deleted and the call is named.
    m_list->setRow(m_list->findRowById(all[0]));
    m_list->setRowSel(m_list->findRowById(all[3]));
    const clsCaller gone = stored(all[3]);
    Prompt::clearHistory();
    Prompt::queueMeanwhile([&] { QVERIFY(DeleteCaller(all[3])); });
    Prompt::queueAnswer(Prompt::Yes);
    QCOMPARE(m_commands->DeleteSelected(*m_list), CallLogCommands::Removal::Nothing);
    QCOMPARE(Prompt::texts().value(1), goneText(gone));
    QCOMPARE(storedIDs(), (QList<qint32>{all[0], arrived}));
    QVERIFY(m_commands->deletedIDs().empty());

    // The program ends while the question waits (the commands go with the main window): nothing is deleted
    // and nothing of the commands is touched.
    m_list->setRow(m_list->findRowById(all[0]));
    Prompt::queueMeanwhile([&] { m_commands.reset(); });
    Prompt::queueAnswer(Prompt::Yes);
    CallLogCommands* commands = m_commands.get();
    QCOMPARE(commands->DeleteSelected(*m_list), CallLogCommands::Removal::Nothing);
    QCOMPARE(storedIDs(), (QList<qint32>{all[0], arrived}));
}

void TestCallLogCommands::clearTakesTheViewBeforeTheQuestion()
{
    const QList<qint32> all = addCalls(3);
    const QString day =
        QStringLiteral("Select * From tblCID Where fldDate > #") + DateText::format(Clock::now().addDays(-1)) + "#";
    // A call comes in while the question waits: it is in the day too, but the user never saw it.
    qint32 arrived = 0;
    Prompt::queueMeanwhile([&] { arrived = callArrivesAndListIsReadAgain(all); });
    Prompt::queueAnswer(Prompt::Yes);
    QVERIFY(m_commands->ClearView(day, *m_list));
    QCOMPARE(storedIDs(), QList<qint32>{arrived});

    // A call of the view is deleted by a client while the question waits: nothing goes.
    const QList<qint32> more = addCalls(2);
    const clsCaller gone = stored(more[1]);
    Prompt::clearHistory();
    Prompt::queueMeanwhile([&] { QVERIFY(DeleteCaller(more[1])); });
    Prompt::queueAnswer(Prompt::Yes);
    QVERIFY(!m_commands->ClearView(day, *m_list));
    QCOMPARE(Prompt::texts().value(1), goneText(gone));
    QCOMPARE(storedIDs(), (QList<qint32>{arrived, more[0]}));
}

void TestCallLogCommands::theLogIsNotReplacedUnderARingingCall()
{
    const QString first = logPath();
    const QString second = m_home->file(QStringLiteral("second.mdb"));
    const QString third = m_home->file(QStringLiteral("third.mdb"));
    QVERIFY(CreateCallerDB(second));
    QVERIFY(FindCallerDB()); // back on the first log, which the setting still names
    const QString ringing = QStringLiteral("A call is ringing: the call log cannot be changed until it has ended. "
                                           "Nothing was changed.");
    // A call begins to ring while the file dialog waits: its record is in the log in use, and its rings
    // will rewrite it there. Neither command replaces the log under it.
    Prompt::queueMeanwhile([] { gRinging = true; });
    Prompt::queueText(second);
    QVERIFY(!m_commands->ChangeDB());
    QCOMPARE(Prompt::texts().last(), ringing);
    QCOMPARE(Prompt::history().last().icon, int(Prompt::Exclamation));
    QCOMPARE(logPath(), first);
    QCOMPARE(gCallerDB->path(), first);
    Prompt::queueText(third);
    QVERIFY(!m_commands->NewDB());
    QCOMPARE(Prompt::texts().last(), ringing);
    QVERIFY(!QFile::exists(third));
    QCOMPARE(logPath(), first);
    // Once the call has ended, the same choice is taken.
    gRinging = false;
    Prompt::queueText(second);
    QVERIFY(m_commands->ChangeDB());
    QCOMPARE(logPath(), second);
}

// A log in a folder another copy holds is neither loaded nor made, and said so; the lock of a log's folder goes
// with the log.
void TestCallLogCommands::anotherCopysFolderTakesNoLogAndTheLockFollows()
{
    const QString first = logPath();
    const QString theirs = m_home->file(QStringLiteral("theirs/log.mdb"));
    QVERIFY(QDir().mkpath(m_home->file(QStringLiteral("theirs"))));
    QVERIFY(CreateCallerDB(theirs));
    QVERIFY(FindCallerDB());
    const AnotherCopy other(m_home->file(QStringLiteral("theirs")));
    QVERIFY(other.holds());
    const QString inUse = QStringLiteral(" is in use by another copy of Velquon (process %1). Choose another file")
                              .arg(QCoreApplication::applicationPid());
    Prompt::queueText(theirs);
    Prompt::queueAnswer(Prompt::Cancel);
    QVERIFY(!m_commands->ChangeDB());
    QCOMPARE(Prompt::texts().value(1), theirs + inUse + QLatin1Char('.'));
    QCOMPARE(gCallerDB->path(), first);
    const QString fresh = m_home->file(QStringLiteral("theirs/fresh.mdb"));
    Prompt::clearHistory();
    Prompt::queueText(fresh);
    Prompt::queueAnswer(Prompt::Cancel);
    QVERIFY(!m_commands->NewDB());
    QCOMPARE(Prompt::texts().value(1), fresh + inUse + QStringLiteral(" name."));
    QVERIFY(!QFile::exists(fresh));
    QCOMPARE(gCallerDB->path(), first);

    const QString mine = m_home->file(QStringLiteral("mine/log.mdb"));
    QVERIFY(QDir().mkpath(m_home->file(QStringLiteral("mine"))));
    Prompt::queueText(mine);
    QVERIFY(m_commands->NewDB());
    QVERIFY(QFile::exists(m_home->file(QStringLiteral("mine/Velquon.lock"))));
    Prompt::queueText(first);
    QVERIFY(m_commands->ChangeDB());
    QVERIFY(!QFile::exists(m_home->file(QStringLiteral("mine/Velquon.lock"))));
}

void TestCallLogCommands::aRefusedLogLeavesNoLockOnItsFolder_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("said"); // %1: the file chosen
    // The setting names the file while it is tried.
    QTest::newRow("Change DB, a file that is no call log") << "Change DB"
                                                           << "%1 is not a valid database file. Choose another file.";
    QTest::newRow("New DB, a file that is there") << "New DB"
                                                  << "This file name already exits. Choose another file name.";
}

// No log open (start-up could not open the one the settings name): a file refused in a folder of its own leaves
// no lock there, so a copy that uses that folder is not kept out by this one.
void TestCallLogCommands::aRefusedLogLeavesNoLockOnItsFolder()
{
    QFETCH(QString, command);
    QFETCH(QString, said);
    const QString before = logPath();
    CloseCallerDB();
    QVERIFY(runAsACopy());
    const QString chosen = m_home->file(QStringLiteral("chosen/junk.mdb"));
    QVERIFY(QDir().mkpath(m_home->file(QStringLiteral("chosen"))));
    {
        QFile f(chosen);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("this is no database at all, just some text that is long enough to be read");
    }
    Prompt::queueText(chosen);
    Prompt::queueAnswer(Prompt::Cancel);
    QVERIFY(command == QLatin1String("Change DB") ? !m_commands->ChangeDB() : !m_commands->NewDB());
    QCOMPARE(Prompt::texts().value(1), QString(said).replace(QLatin1String("%1"), chosen));
    QCOMPARE(logPath(), before);
    QVERIFY(!gCallerDB);
    QVERIFY(!QFile::exists(m_home->file(QStringLiteral("chosen/Velquon.lock"))));
}

QTEST_GUILESS_MAIN(TestCallLogCommands)
#include "test_calllogcommands.moc"

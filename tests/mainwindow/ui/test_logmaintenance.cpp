#include "mainwindow/ui/frmBaseMain.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/StartupWindows.h"
#include "capture/ModemPort.h"
#include "core/Globals.h"
#include "core/SettingsKeys.h"
#include "core/WindowLinks.h"
#include "core/modCallerDB.h"
#include "core/modContactDB.h"
#include "core/modMain.h"
#include "core/modProperties.h"
#include "core/ui/frmProcessing.h"
#include "mainwindow/CallListModel.h"
#include "mainwindow/ui/CallerIDGrid.h"
#include "network/clsServer.h"
#include "platform/Clock.h"
#include "platform/DateText.h"
#include "platform/Prompt.h"
#include "platform/SingleInstance.h"
#include "popup/MiniDisplay.h"
#include "support/SignalTexts.h"
#include "support/TempHome.h"
#include "support/ui/ByName.h"
#include "support/ui/StandaloneSession.h"

using S = StandaloneSession;

namespace {

QString logPath() { return GetProperty(Section::frmConfiguration, Key::CallerDBPath, QString()); }

} // namespace

class TestLogMaintenance : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { registerStartupWindows(); }
    void init();
    void cleanup();
    void deleteAnUpwardSelection();
    void deleteOneRowAndTheRefusals();
    void stoppingADeleteKeepsWhatWent();
    void clearLogFollowsTheView();
    void clearLogEmptiesThePopup();
    void changeDatabaseSwitchesAndRefuses();
    void newDatabaseRefusesAnExistingFile();
    void editReachesThePopup();
    void customPeriodOnlyOpensItsWindow();

private:
    frmBaseMain* window() const { return StandaloneSession::window(); }
    // Stores n calls, one every hour back from now, and shows the whole log.
    QList<qint32> addCalls(int n);
    QList<qint32> storedIDs() const;
    QList<qint32> gridIDs() const;
    StandaloneSession m_session;
};

void TestLogMaintenance::init() { QVERIFY(m_session.start()); }

void TestLogMaintenance::cleanup() { m_session.stop(); }

QList<qint32> TestLogMaintenance::addCalls(int n)
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
    }
    const QString problem = ui::tryTrigger(window(), QStringLiteral("mnuViewTime(12)"));
    if (!problem.isEmpty())
        qWarning("%s", qPrintable(problem));
    return ids;
}

QList<qint32> TestLogMaintenance::storedIDs() const
{
    QList<qint32> ids;
    for (const clsCaller& c : SelectCallers(QStringLiteral("Select * From tblCID")))
        ids.append(c.ID);
    std::sort(ids.begin(), ids.end());
    return ids;
}

QList<qint32> TestLogMaintenance::gridIDs() const
{
    QList<qint32> ids;
    for (int row = 1; row < S::grid()->Rows(); ++row)
        ids.append(S::grid()->TextMatrix(row, CallListModel::ColID).toInt());
    return ids;
}

void TestLogMaintenance::deleteAnUpwardSelection()
{
    frmBaseMain* w = window();
    const QList<qint32> all = addCalls(6);
    QCOMPARE(S::grid()->Rows(), 7);
    const QList<qint32> shown = gridIDs();
    // Selected from the bottom up: rows 5 to 2.
    S::grid()->setRow(5);
    S::grid()->setRowSel(2);
    const QList<qint32> doomed = shown.mid(1, 4);
    QSignalSpy sent(gServer.get(), &clsServer::dataSent);

    Prompt::queueAnswer(Prompt::No);
    TRIGGER(w, "mnuEditDelete");
    QCOMPARE(Prompt::texts().value(0),
             QStringLiteral("Are you sure you want to permanently remove these records from the database?"));
    QCOMPARE(storedIDs(), all);
    QCOMPARE(S::grid()->Rows(), 7);
    QVERIFY(sent.isEmpty());

    Prompt::queueAnswer(Prompt::Yes);
    TRIGGER(w, "mnuEditDelete");
    QList<qint32> left = all;
    for (qint32 id : doomed)
        left.removeAll(id);
    QCOMPARE(storedIDs(), left);
    QCOMPARE(S::grid()->Rows(), 3);
    QList<qint32> leftShown = gridIDs();
    std::sort(leftShown.begin(), leftShown.end());
    QCOMPARE(leftShown, left);
    QCOMPARE(texts(sent), QStringList{QStringLiteral(";UPDATE NEEDED;")});
    QCOMPARE(S::panel(2)->text(), QStringLiteral("2 Records Displayed"));
}

void TestLogMaintenance::deleteOneRowAndTheRefusals()
{
    frmBaseMain* w = window();
    const QList<qint32> all = addCalls(3);
    const qint32 target = gridIDs().value(1);

    // While a call rings nothing goes, and nothing is asked.
    gRinging = true;
    S::grid()->setRow(2);
    TRIGGER(w, "mnuEditDelete");
    TRIGGER(w, "mnuEditClear");
    QVERIFY(Prompt::history().isEmpty());
    QCOMPARE(storedIDs(), all);
    gRinging = false;

    // One row: the singular question, and exactly that record goes.
    S::grid()->setRow(2);
    Prompt::queueAnswer(Prompt::Yes);
    TRIGGER(w, "mnuEditDelete");
    QCOMPARE(Prompt::texts().value(0),
             QStringLiteral("Are you sure you want to permanently remove this record from the database?"));
    QList<qint32> left = all;
    left.removeAll(target);
    QCOMPARE(storedIDs(), left);
    QVERIFY(!gridIDs().contains(target));

    // Without ConfirmDeletion nothing is asked.
    SaveProperty(Section::frmConfiguration, Key::ConfirmDeletion, QStringLiteral("False"));
    Prompt::clearHistory();
    S::grid()->setRow(1);
    TRIGGER(w, "mnuEditDelete");
    QVERIFY(Prompt::history().isEmpty());
    QCOMPARE(storedIDs().size(), 1);
    QCOMPARE(S::grid()->Rows(), 2);

    // A grid row whose ID cell holds no record number deletes nothing.
    S::grid()->setTextMatrix(1, CallListModel::ColID, QStringLiteral("1 or 1=1"));
    S::grid()->setRow(1);
    TRIGGER(w, "mnuEditDelete");
    QCOMPARE(storedIDs().size(), 1);
}

void TestLogMaintenance::stoppingADeleteKeepsWhatWent()
{
    frmBaseMain* w = window();
    const QList<qint32> all = addCalls(5);
    const qint32 first = gridIDs().value(0);
    S::grid()->setRow(1);
    S::grid()->setRowSel(4);
    // The Stop button is pressed while the first record is being deleted.
    bool pressed = false;
    QTimer::singleShot(0, this, [&pressed] {
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* progress = qobject_cast<frmProcessing*>(top); progress && progress->isVisible()) {
                progress->cmdStop->click();
                pressed = true;
            }
    });
    QSignalSpy sent(gServer.get(), &clsServer::dataSent);
    Prompt::queueAnswer(Prompt::Yes);
    TRIGGER(w, "mnuEditDelete");
    QVERIFY(pressed);
    QList<qint32> left = all;
    left.removeAll(first);
    QCOMPARE(storedIDs(), left);
    // The list is read again from the log: everything but the one record that went.
    QList<qint32> shown = gridIDs();
    std::sort(shown.begin(), shown.end());
    QCOMPARE(shown, left);
    QCOMPARE(texts(sent), QStringList{QStringLiteral(";UPDATE NEEDED;")});
}

void TestLogMaintenance::clearLogFollowsTheView()
{
    frmBaseMain* w = window();
    const QList<qint32> all = addCalls(30); // one an hour: 23 inside the last day
    TRIGGER(w, "mnuViewTime(6)");           // "1 day"
    const int inView = S::grid()->Rows() - 1;
    QVERIFY(inView > 1 && inView < 30);
    QSignalSpy sent(gServer.get(), &clsServer::dataSent);
    Prompt::queueAnswer(Prompt::Yes);
    TRIGGER(w, "mnuEditClear");
    QCOMPARE(Prompt::texts().value(0),
             QStringLiteral("Are you sure you want to permanently remove these records from the database?"));
    QCOMPARE(S::grid()->Rows(), 1);
    QCOMPARE(storedIDs().size(), 30 - inView);
    QCOMPARE(storedIDs(), all.mid(inView));
    QCOMPARE(texts(sent), QStringList{QStringLiteral(";UPDATE NEEDED;")});

    // "All": the table empties; one record left asks the singular question.
    TRIGGER(w, "mnuViewTime(12)");
    QCOMPARE(S::grid()->Rows(), 1 + 30 - inView);
    Prompt::queueAnswer(Prompt::Yes);
    TRIGGER(w, "mnuEditClear");
    QVERIFY(storedIDs().isEmpty());
    addCalls(1);
    Prompt::clearHistory();
    Prompt::queueAnswer(Prompt::No);
    TRIGGER(w, "mnuEditClear");
    QCOMPARE(Prompt::texts().value(0),
             QStringLiteral("Are you sure you want to permanently remove this record from the database?"));
    QCOMPARE(storedIDs().size(), 1);
    QCOMPARE(S::grid()->Rows(), 2);
}

void TestLogMaintenance::clearLogEmptiesThePopup()
{
    frmBaseMain* w = window();
    addCalls(4);
    QVERIFY(miniDisplay().PopupScreen());
    QVERIFY(miniDisplay().isShown());
    QCOMPARE(miniDisplay().Callers.size(), 4);
    Prompt::queueAnswer(Prompt::Yes);
    TRIGGER(w, "mnuEditClear");
    QVERIFY(miniDisplay().Callers.isEmpty());
    QVERIFY(storedIDs().isEmpty());
}

void TestLogMaintenance::changeDatabaseSwitchesAndRefuses()
{
    frmBaseMain* w = window();
    const QString first = logPath();
    addCalls(2);
    // A second log with one call, made through the program and switched back from.
    const QString second = m_session.home().file(QStringLiteral("second.mdb"));
    Prompt::queueText(second);
    TRIGGER(w, "mnuFileNewDB");
    QCOMPARE(logPath(), second);
    QCOMPARE(S::grid()->Rows(), 1);
    addCalls(1);
    Prompt::queueText(first);
    TRIGGER(w, "mnuFileChangeDB");
    QCOMPARE(S::grid()->Rows(), 3);

    QSignalSpy sent(gServer.get(), &clsServer::dataSent);
    Prompt::clearHistory();
    // Not a call log: refused, the log in use stays open and named; Cancel gives up.
    const QString junk = m_session.home().file(QStringLiteral("junk.mdb"));
    {
        QFile f(junk);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("this is no database at all, just some text that is long enough to be read");
    }
    Prompt::queueText(junk);
    Prompt::queueAnswer(Prompt::Cancel);
    TRIGGER(w, "mnuFileChangeDB");
    QCOMPARE(Prompt::texts().value(1), junk + QStringLiteral(" is not a valid database file. Choose another file."));
    QCOMPARE(logPath(), first);
    QCOMPARE(storedIDs().size(), 2);
    QCOMPARE(S::grid()->Rows(), 3);
    QVERIFY(sent.isEmpty());

    // A missing file, then the contact book by another name; OK lets the user choose again, and the
    // second log is switched to.
    Prompt::clearHistory();
    const QString contacts = GetProperty(Section::frmConfiguration, Key::ContactDBPath, defaultContactDBPath());
    Prompt::queueText(m_session.home().file(QStringLiteral("missing.mdb")));
    Prompt::queueAnswer(Prompt::Ok);
    const QFileInfo book(contacts);
    Prompt::queueText(book.absolutePath() + QStringLiteral("/./") + book.fileName());
    Prompt::queueAnswer(Prompt::Ok);
    Prompt::queueText(second);
    TRIGGER(w, "mnuFileChangeDB");
    const QStringList texts = Prompt::texts();
    QVERIFY(texts.value(1).endsWith(QStringLiteral("missing.mdb is not a valid database file. Choose another file.")));
    QVERIFY(texts.value(3).endsWith(QStringLiteral(" is already loaded. Choose another file.")));
    QCOMPARE(logPath(), second);
    QCOMPARE(storedIDs().size(), 1);
    QCOMPARE(S::grid()->Rows(), 2);
    QCOMPARE(::texts(sent), QStringList{QStringLiteral(";UPDATE NEEDED;")});
    const QStringList events = w->lstEvents.stringList();
    QVERIFY(std::any_of(events.cbegin(), events.cend(), [](const QString& s) {
        return s.endsWith(QLatin1String("Loaded caller database second.mdb"));
    }));

    // A cancelled dialog changes nothing.
    Prompt::queueText(QString());
    TRIGGER(w, "mnuFileChangeDB");
    QCOMPARE(logPath(), second);
}

void TestLogMaintenance::newDatabaseRefusesAnExistingFile()
{
    frmBaseMain* w = window();
    addCalls(2);
    const QString current = logPath();
    Prompt::queueText(current);
    Prompt::queueAnswer(Prompt::Cancel);
    TRIGGER(w, "mnuFileNewDB");
    QCOMPARE(Prompt::texts().value(1), QStringLiteral("This file name already exits. Choose another file name."));
    QCOMPARE(storedIDs().size(), 2);

    // A file that cannot be made (its folder is missing) is said so; the log in use stays.
    Prompt::clearHistory();
    const QString nowhere = m_session.home().file(QStringLiteral("no such folder/new.mdb"));
    Prompt::queueText(nowhere);
    Prompt::queueAnswer(Prompt::Cancel);
    TRIGGER(w, "mnuFileNewDB");
    QCOMPARE(Prompt::texts().value(1), nowhere + QStringLiteral(" could not be created. Choose another file name."));
    QCOMPARE(logPath(), current);
    QCOMPARE(storedIDs().size(), 2);
    QCOMPARE(S::grid()->Rows(), 3);

    // OK asks again; the new empty log is shown and kept for the next start.
    Prompt::clearHistory();
    const QString fresh = m_session.home().file(QStringLiteral("fresh.mdb"));
    Prompt::queueText(current);
    Prompt::queueAnswer(Prompt::Ok);
    Prompt::queueText(fresh);
    TRIGGER(w, "mnuFileNewDB");
    QCOMPARE(Prompt::history().size(), 3);
    QCOMPARE(logPath(), fresh);
    QVERIFY(QFileInfo::exists(fresh));
    QVERIFY(storedIDs().isEmpty());
    QCOMPARE(S::grid()->Rows(), 1);
    const QStringList events = w->lstEvents.stringList();
    QVERIFY(std::any_of(events.cbegin(), events.cend(), [](const QString& s) {
        return s.endsWith(QLatin1String("Created and loaded new caller database fresh.mdb"));
    }));
}

void TestLogMaintenance::editReachesThePopup()
{
    frmBaseMain* w = window();
    const QList<qint32> ids = addCalls(2);
    QVERIFY(miniDisplay().PopupScreen());
    auto shownName = [](qint32 id) {
        for (const clsCaller& c : miniDisplay().Callers)
            if (c.ID == id)
                return c.Name;
        return QString();
    };
    w->EditGrid(0, QStringLiteral("NEW NAME"), ids.first());
    QCOMPARE(shownName(ids.first()), QStringLiteral("NEW NAME"));
    QCOMPARE(shownName(ids.last()), QStringLiteral("CALLER 1"));
    // A column that names no field stores the record as it is and shows it again, in the pop-up too.
    miniDisplay().Callers.first().Name = QStringLiteral("STALE");
    const qint32 firstShown = miniDisplay().Callers.first().ID;
    w->EditGrid(7, QStringLiteral("ignored"), firstShown);
    QVERIFY(shownName(firstShown).startsWith(QStringLiteral("CALLER ")) ||
            shownName(firstShown) == QStringLiteral("NEW NAME"));
}

void TestLogMaintenance::customPeriodOnlyOpensItsWindow()
{
    frmBaseMain* w = window();
    TRIGGER(w, "mnuViewTime(9)"); // "1 week"
    const QString sql = w->strSQL;
    QStringList opened;
    // Without the custom-period window the two commands are not offered (start-up registers the real one).
    const auto registered = windowLinks().showCustomizeTime;
    QVERIFY(registered);
    windowLinks().showCustomizeTime = nullptr;
    w->UpdateStatus();
    QVERIFY(!ui::isReachable(w, QStringLiteral("mnuViewTime(14)")));
    QVERIFY(!ui::isReachable(w, QStringLiteral("Toolbar1.Buttons(7)")));
    windowLinks().showCustomizeTime = [&opened, w](const QString& tag, QObject* owner) {
        opened.append(tag + (owner == w ? QStringLiteral(" by the main window") : QString()));
    };
    // The main window offers them once the window is there (its next status update or View menu).
    w->UpdateStatus();
    // From the menu and from the toolbar: the window opens, the mark, query and stored period stay.
    for (int i = 0; i < 2; ++i) {
        TRIGGER(w, "mnuViewTime(14)");
        TRIGGER(w, "Toolbar1.Buttons(7)");
    }
    windowLinks().showCustomizeTime = registered;
    QCOMPARE(opened, QStringList(4, QStringLiteral("Main by the main window")));
    QVERIFY(!S::action("mnuViewTime(14)")->isChecked());
    QVERIFY(S::action("mnuViewTime(9)")->isChecked());
    QCOMPARE(w->strSQL, sql);
    QCOMPARE(GetProperty(Section::frmMain, Key::ViewTime, QString()), QStringLiteral("9"));

    // Once the window has checked "Custom...", choosing it again leaves the mark on.
    w->UncheckTimeMenu();
    w->setViewTimeChecked(ViewTime::Custom);
    TRIGGER(w, "mnuViewTime(14)");
    QVERIFY(S::action("mnuViewTime(14)")->isChecked());
}

QTEST_MAIN(TestLogMaintenance)
#include "test_logmaintenance.moc"

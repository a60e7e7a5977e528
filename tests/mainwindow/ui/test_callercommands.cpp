#include "mainwindow/ui/frmBaseMain.h"

#include <QApplication>
#include <QLabel>
#include <QTest>
#include <QTimer>

#include "app/StartupWindows.h"
#include "capture/CallHandler.h"
#include "core/Globals.h"
#include "core/SettingsKeys.h"
#include "core/clsContact.h"
#include "core/modCallerDB.h"
#include "core/modContactDB.h"
#include "core/modProperties.h"
#include "core/ui/frmProcessing.h"
#include "mainwindow/CallListModel.h"
#include "mainwindow/ui/CallerIDGrid.h"
#include "platform/Clock.h"
#include "platform/DateText.h"
#include "platform/Prompt.h"
#include "platform/ui/CommandState.h"
#include "popup/ui/frmOriginalCallerIDInfo.h"
#include "support/ui/ByName.h"
#include "support/ui/NamedText.h"
#include "support/ui/StandaloneSession.h"

using S = StandaloneSession;

// The call list's commands on one caller (the grid menu and the Edit menu), the rule that enables them, and
// a deletion of many records while a call comes in.
class TestCallerCommands : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { registerStartupWindows(); }
    void init() { QVERIFY(m_session.start()); }
    void cleanup() { m_session.stop(); }
    void gridMenuInItsOrder();
    void singleCallerCommandsNeedOneSelectedCall();
    void searchByNameUsesTheLoggedName();
    void searchByNumberAndByContact();
    void searchesQuoteTheirText();
    void viewOriginalShowsTheRecordByItsID();
    void deleteThisRecord();
    void deletingManyWhileACallArrives();

private:
    qint32 addCall(const QString& name, const QString& number, const QDateTime& when);
    void showAll();
    int rowOf(qint32 id) const { return S::grid()->model()->findRowById(id); }
    QList<qint32> gridIDs() const;
    QList<qint32> storedIDs() const;

    StandaloneSession m_session;
};

qint32 TestCallerCommands::addCall(const QString& name, const QString& number, const QDateTime& when)
{
    clsCaller c;
    c.Name = name;
    c.Number.Number = number;
    c.CallerDate = DateText::format(when);
    c.Rings = 3;
    c.Answered = QStringLiteral("YES");
    AddCaller(c);
    return c.ID;
}

void TestCallerCommands::showAll() { TRIGGER(S::window(), "mnuViewTime(12)"); }

QList<qint32> TestCallerCommands::gridIDs() const
{
    QList<qint32> ids;
    for (int r = 1; r < S::grid()->Rows(); ++r)
        ids << S::grid()->TextMatrix(r, CallListModel::ColID).toInt();
    std::sort(ids.begin(), ids.end());
    return ids;
}

QList<qint32> TestCallerCommands::storedIDs() const
{
    QList<qint32> ids;
    for (const clsCaller& c : SelectCallers(QStringLiteral("Select * From tblCID")))
        ids << c.ID;
    std::sort(ids.begin(), ids.end());
    return ids;
}

void TestCallerCommands::gridMenuInItsOrder()
{
    QStringList names;
    for (QAction* a : S::menu(QStringLiteral("mnuGridOptions"))->actions())
        names << (a->menu() ? a->menu()->objectName() : a->objectName()) + QLatin1Char('=') + a->text();
    QCOMPARE(names, (QStringList{
                        QStringLiteral("mnuGridOptionsCopyAll=Copy &All"),
                        QStringLiteral("mnuGridOptionsCopy=&Copy Selected Item"),
                        QStringLiteral("mnuGridOptionsHyphen1="),
                        QStringLiteral("mnuGridOptionsAdd=Add To Contacts DB"),
                        QStringLiteral("mnuGridOptionsHyphen2="),
                        QStringLiteral("mnuGridOptionsSearch=Search For This Caller"),
                        QStringLiteral("mnuGridOptionsStatistics=View Statistics On This Caller..."),
                        QStringLiteral("mnuGridOptionsViewOriginal=View Original Caller ID Info..."),
                        QStringLiteral("mnuGridOptionsHyphen3="),
                        QStringLiteral("mnuGridOptionsEdit=Edit"),
                        QStringLiteral("mnuGridOptionsDelete=Delete This Record"),
                    }));
    QStringList search;
    for (QAction* a : S::menu(QStringLiteral("mnuGridOptionsSearch"))->actions())
        search << a->text();
    QCOMPARE(search, (QStringList{QStringLiteral("Search By Name"), QStringLiteral("Search By Number"),
                                  QStringLiteral("Search By All Contact Numbers")}));
    QCOMPARE(S::action(QStringLiteral("mnuEditOriginal"))->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
}

void TestCallerCommands::singleCallerCommandsNeedOneSelectedCall()
{
    const QStringList single = {"mnuEditOriginal",
                                "mnuGridOptionsSearchName",
                                "mnuGridOptionsSearchNumber",
                                "mnuGridOptionsSearchContact",
                                "mnuGridOptionsViewOriginal",
                                "mnuGridOptionsEdit",
                                "mnuGridOptionsDelete",
                                "mnuGridOptionsStatistics",
                                "mnuEditCreateNew",
                                "mnuEditAddToCurrent",
                                "mnuGridOptionsCreateNew",
                                "mnuGridOptionsAddToCurrent"};
    // An empty list: none of them.
    showAll();
    for (const QString& name : single)
        QVERIFY2(!ui::isReachable(S::window(), name), qPrintable(name));

    const QDateTime now = Clock::now();
    addCall(QStringLiteral("A"), QStringLiteral("555-0001"), now.addSecs(-60));
    addCall(QStringLiteral("B"), QStringLiteral("555-0002"), now.addSecs(-30));
    showAll();
    S::grid()->setRow(1);
    for (const QString& name : single)
        QVERIFY2(ui::isReachable(S::window(), name), qPrintable(name));

    // Two rows selected: the single-caller commands go off, the Edit menu's Delete stays.
    S::grid()->setRowSel(2);
    for (const QString& name : single)
        QVERIFY2(!ui::isReachable(S::window(), name), qPrintable(name));
    QVERIFY(ui::isReachable(S::window(), QStringLiteral("mnuEditDelete")));
    QVERIFY(!S::menu(QStringLiteral("mnuGridOptionsSearch"))->menuAction()->isEnabled());
    S::grid()->setRow(2);
    QVERIFY(ui::isReachable(S::window(), QStringLiteral("mnuGridOptionsSearchName")));
}

void TestCallerCommands::searchByNameUsesTheLoggedName()
{
    clsContact john;
    john.Name = QStringLiteral("John");
    john.AddNumber(std::make_shared<clsNumber>(QStringLiteral("555-1234"), QStringLiteral("Home")));
    QVERIFY(AddContact(john));
    const QDateTime now = Clock::now();
    const qint32 id = addCall(QStringLiteral("JOHN SMITH"), QStringLiteral("555-1234"), now.addSecs(-300));
    addCall(QStringLiteral("JOHN SMITH"), QStringLiteral("555-9999"), now.addSecs(-200));
    addCall(QStringLiteral("SOMEONE"), QStringLiteral("555-1234"), now.addSecs(-100));
    showAll();
    S::grid()->setRow(rowOf(id));
    // The list shows the contact, the search uses the name the call was logged with.
    QCOMPARE(S::grid()->TextMatrix(S::grid()->Row(), CallListModel::ColName), QStringLiteral("John (Home)"));
    TRIGGER(S::window(), "mnuGridOptionsSearchName");
    QCOMPARE(S::window()->strSQL, QStringLiteral("Select * From tblCID Where fldName = 'JOHN SMITH'"));
    QCOMPARE(S::grid()->Rows(), 3);
    QCOMPARE(S::panel(2)->text(), QStringLiteral("2 Records Displayed"));
    // A search, not a period.
    QVERIFY(!S::action(QStringLiteral("mnuViewTime(12)"))->isChecked());
}

void TestCallerCommands::searchByNumberAndByContact()
{
    clsContact first;
    first.Name = QStringLiteral("First");
    first.AddNumber(std::make_shared<clsNumber>(QStringLiteral("555-1234"), QString()));
    first.AddNumber(std::make_shared<clsNumber>(QStringLiteral("555-8888"), QString()));
    QVERIFY(AddContact(first));
    clsContact second;
    second.Name = QStringLiteral("Second");
    second.AddNumber(std::make_shared<clsNumber>(QStringLiteral("1234"), QString()));
    QVERIFY(AddContact(second));
    const QDateTime now = Clock::now();
    const qint32 id = addCall(QStringLiteral("CALLER"), QStringLiteral("555-1234"), now.addSecs(-400));
    addCall(QStringLiteral("CALLER"), QStringLiteral("555-8888"), now.addSecs(-300));
    addCall(QStringLiteral("OTHER"), QStringLiteral("777-1234"), now.addSecs(-200));
    const qint32 stranger = addCall(QStringLiteral("STRANGER"), QStringLiteral("555-0000"), now.addSecs(-100));
    showAll();

    S::grid()->setRow(rowOf(id));
    TRIGGER(S::window(), "mnuGridOptionsSearchNumber");
    QCOMPARE(S::window()->strSQL, QStringLiteral("Select * From tblCID Where fldNumber = '555-1234'"));
    QCOMPARE(S::grid()->Rows(), 2);

    // Both contacts own a number within 555-1234; the first in the book is the one the list shows.
    S::grid()->setRow(1);
    TRIGGER(S::window(), "mnuGridOptionsSearchContact");
    QCOMPARE(S::window()->strSQL, QStringLiteral("Select * From tblCID Where fldNumber like '*555-1234*' or fldNumber "
                                                 "like '*555-8888*'"));
    QCOMPARE(S::grid()->Rows(), 3);

    // A number no contact owns: that number alone.
    showAll();
    S::grid()->setRow(rowOf(stranger));
    TRIGGER(S::window(), "mnuGridOptionsSearchContact");
    QCOMPARE(S::window()->strSQL, QStringLiteral("Select * From tblCID Where fldNumber like '*555-0000*'"));
    QCOMPARE(S::grid()->Rows(), 2);
}

void TestCallerCommands::searchesQuoteTheirText()
{
    const QDateTime now = Clock::now();
    const qint32 quote = addCall(QStringLiteral("O'NEIL"), QStringLiteral("555-??11"), now.addSecs(-100));
    addCall(QStringLiteral("ONEIL"), QStringLiteral("555-2211"), now.addSecs(-50));
    showAll();
    S::grid()->setRow(rowOf(quote));
    TRIGGER(S::window(), "mnuGridOptionsSearchName");
    QCOMPARE(S::window()->strSQL, QStringLiteral("Select * From tblCID Where fldName = 'O''NEIL'"));
    QCOMPARE(S::grid()->Rows(), 2);
    QVERIFY(Prompt::history().isEmpty());
    // The "?" that cleaning put into a number is no wildcard in the contact search.
    S::grid()->setRow(1);
    TRIGGER(S::window(), "mnuGridOptionsSearchContact");
    QCOMPARE(S::grid()->Rows(), 2);
    QCOMPARE(S::grid()->TextMatrix(1, CallListModel::ColName), QStringLiteral("O'NEIL"));
}

void TestCallerCommands::viewOriginalShowsTheRecordByItsID()
{
    const QDateTime when = Clock::now().addSecs(-60);
    // Two calls in the same second: each row shows its own.
    const qint32 a = addCall(QStringLiteral("FIRST"), QStringLiteral("555-0001"), when);
    const qint32 b = addCall(QStringLiteral("SECOND"), QStringLiteral("555-0002"), when);
    showAll();
    S::grid()->setRow(rowOf(b));
    TRIGGER(S::window(), "mnuEditOriginal");
    frmOriginalCallerIDInfo* info = frmOriginalCallerIDInfo::instance(false);
    QVERIFY(info && info->isVisible());
    QCOMPARE(ui::textOf(info, QStringLiteral("lblName")), QStringLiteral("SECOND"));
    QCOMPARE(ui::textOf(info, QStringLiteral("lblNumber")), QStringLiteral("555-0002"));
    QCOMPARE(ui::textOf(info, QStringLiteral("lblTime")), DateText::format(when));
    QCOMPARE(ui::textOf(info, QStringLiteral("lblRings")), QStringLiteral("3"));
    QCOMPARE(ui::textOf(info, QStringLiteral("lblAnswered")), QStringLiteral("YES"));
    S::grid()->setRow(rowOf(a));
    TRIGGER(S::window(), "mnuGridOptionsViewOriginal");
    QCOMPARE(ui::textOf(info, QStringLiteral("lblName")), QStringLiteral("FIRST"));

    // A record gone from the log: the window opens with what it showed.
    DeleteCaller(b);
    S::grid()->setRow(rowOf(b));
    info->close();
    TRIGGER(S::window(), "mnuEditOriginal");
    info = frmOriginalCallerIDInfo::instance(false);
    QVERIFY(info && info->isVisible());
}

void TestCallerCommands::deleteThisRecord()
{
    const QDateTime now = Clock::now();
    const qint32 a = addCall(QStringLiteral("A"), QStringLiteral("555-0001"), now.addSecs(-60));
    const qint32 b = addCall(QStringLiteral("B"), QStringLiteral("555-0002"), now.addSecs(-30));
    showAll();
    S::grid()->setRow(rowOf(a));
    Prompt::queueAnswer(Prompt::Yes);
    TRIGGER(S::window(), "mnuGridOptionsDelete");
    QCOMPARE(Prompt::texts().value(0),
             QStringLiteral("Are you sure you want to permanently remove this record from the database?"));
    QCOMPARE(storedIDs(), QList<qint32>{b});
    QCOMPARE(gridIDs(), QList<qint32>{b});
}

void TestCallerCommands::deletingManyWhileACallArrives()
{
    const QDateTime now = Clock::now();
    for (int i = 0; i < 40; ++i)
        addCall(QStringLiteral("CALLER %1").arg(i), QStringLiteral("555-01%1").arg(i, 2, 10, QLatin1Char('0')),
                now.addSecs(-3600 * (40 - i)));
    showAll();
    QCOMPARE(S::grid()->Rows(), 41);
    S::grid()->setRow(1);
    S::grid()->setRowSel(30);
    QList<qint32> kept = gridIDs();
    {
        QList<qint32> selected;
        for (int r = 1; r <= 30; ++r)
            selected << S::grid()->TextMatrix(r, CallListModel::ColID).toInt();
        for (qint32 id : selected)
            kept.removeAll(id);
    }
    // While the progress window yields, a call comes in: stored, and put on top of the list by the call road.
    qint32 arrived = 0;
    QTimer::singleShot(0, this, [&] {
        clsCaller c;
        c.Name = QStringLiteral("NEW CALL");
        c.Number.Number = QStringLiteral("555-7777");
        c.CallerDate = DateText::format(Clock::now());
        c.Answered = QStringLiteral("N/A");
        AddCaller(c);
        arrived = c.ID;
        Q_EMIT S::calls()->callAdded(c);
    });
    Prompt::queueAnswer(Prompt::Yes);
    TRIGGER(S::window(), "mnuEditDelete");
    QVERIFY(arrived > 0);
    kept << arrived;
    std::sort(kept.begin(), kept.end());
    QCOMPARE(storedIDs().size(), 11);
    QCOMPARE(storedIDs(), kept);
    QCOMPARE(gridIDs(), kept);
    QCOMPARE(S::panel(2)->text(), QStringLiteral("11 Records Displayed"));
    QCOMPARE(S::grid()->TextMatrix(1, CallListModel::ColName), QStringLiteral("NEW CALL"));
}

QTEST_MAIN(TestCallerCommands)
#include "test_callercommands.moc"

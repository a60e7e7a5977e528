#include "config/ui/frmFind.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabBar>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include "app/StartupWindows.h"
#include "config/CallLogSearch.h"
#include "core/Globals.h"
#include "core/SettingsKeys.h"
#include "core/WindowLinks.h"
#include "core/clsContact.h"
#include "core/modCallerDB.h"
#include "core/modContactDB.h"
#include "core/modProperties.h"
#include "core/ui/cToolTip.h"
#include "core/ui/modMainGui.h"
#include "mainwindow/ui/CallerIDGrid.h"
#include "network/clsRemoteSocket.h"
#include "platform/Clock.h"
#include "platform/DateText.h"
#include "platform/Prompt.h"
#include "platform/Twips.h"
#include "popup/PopupVibrator.h"
#include "support/ResetForTests.h"
#include "support/ui/ByName.h"
#include "support/ui/StandaloneSession.h"

using S = StandaloneSession;

// The search window in the running standalone program, on a real call log: it narrows the main window's
// call list, says what it found, and keeps its inputs and histories.
class TestFind : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { registerStartupWindows(); }
    void init();
    void cleanup();
    void nameSearchNarrowsTheCallList();
    void aQuoteInANameIsFound();
    void aStatementThatWritesIsRefused();
    void beginningToEndShowsEveryCall();
    void dateMessagesPutTheFocusOnTheBox();
    void contactsPage();
    void customSQLPageButtons();
    void aClientAsksTheServer();
    void aFindOverAWholeBookOfThousands();
    void openedFromTheWindowMenuAndTheToolbar();
    void reopeningBringsBackTheLastSearch();
    void typedTextSurvivesAResizeAndTheTray();
    void ctrlTabStepsThroughThePages();
    void tripleDoubleClickEmptiesHistoriesAndShakes();
    void hintsFollowTheOption();

private:
    frmFind* open();
    template <typename T>
    T* part(const char* name) const
    {
        return ui::findByName<T>(frmFind::instance(false), QLatin1String(name));
    }
    void storeCalls();
    // Turns the session into a client of server, on 127.0.0.1; the server's end of the link, or null.
    static QTcpSocket* becomeClientOf(QTcpServer& server);
    void choosePage(int page) { part<QTabBar>("tbsFind")->setCurrentIndex(page); }
    QString records() const { return part<QLabel>("lblRecords")->text(); }

    StandaloneSession m_session;
};

QTcpSocket* TestFind::becomeClientOf(QTcpServer& server)
{
    if (!server.listen(QHostAddress::LocalHost))
        return nullptr;
    SaveProperty(Section::frmConfiguration, Key::RemoteHost, QStringLiteral("127.0.0.1"));
    SaveProperty(Section::frmConfiguration, Key::RemotePort, QString::number(server.serverPort()));
    install(gRemoteSocket);
    if (!QTest::qWaitFor([] { return gRemoteSocket->State() == SocketState::Connected; }, 5000) ||
        !QTest::qWaitFor([&server] { return server.hasPendingConnections(); }, 5000))
        return nullptr;
    gNetworkMode = Client;
    return server.nextPendingConnection();
}

void TestFind::init()
{
    QVERIFY(m_session.start());
    storeCalls();
}

void TestFind::cleanup() { m_session.stop(); }

// Five calls on 6/1 to 6/5/2005; the view shows all of them.
void TestFind::storeCalls()
{
    const char* const names[] = {"JOHN SMITH", "O'BRIEN", "SMITHERS", "JANE DOE", "ED SMITH"};
    const QDateTime first(QDate(2005, 6, 1), QTime(10, 0, 0), Qt::UTC);
    for (int i = 0; i < 5; ++i) {
        clsCaller c;
        c.Name = QLatin1String(names[i]);
        c.Number.Number = QStringLiteral("555-010%1").arg(i);
        c.CallerDate = DateText::format(first.addDays(i));
        c.Rings = 1;
        c.Answered = QStringLiteral("N/A");
        AddCaller(c);
    }
    TRIGGER(S::window(), "mnuViewTime(12)");
    QCOMPARE(S::grid()->Rows(), 6);
}

frmFind* TestFind::open()
{
    frmBaseMain* w = S::window();
    if (!S::action(QStringLiteral("mnuWindow(3)"))->isChecked()) {
        const QString problem = ui::tryTrigger(w, QStringLiteral("mnuWindow(3)"));
        if (!problem.isEmpty())
            qWarning("%s", qPrintable(problem));
    }
    return frmFind::instance(false);
}

void TestFind::nameSearchNarrowsTheCallList()
{
    frmFind* find = open();
    QVERIFY(find && find->isVisible());
    QCOMPARE(find->windowTitle(), QStringLiteral("Find"));
    // The view's count and query show at once.
    QCOMPARE(records(), QStringLiteral("5"));
    QCOMPARE(part<QLineEdit>("txtCurrentSQL")->text(), QStringLiteral("Select * From tblCID"));
    QVERIFY(S::action(QStringLiteral("mnuViewTime(12)"))->isChecked());

    part<QComboBox>("cboNameNumber")->setCurrentText(QStringLiteral("*smith*"));
    part<QCheckBox>("chkNumberField")->setChecked(false);
    TRIGGER(find, "cmdFind");
    const QString expected = QStringLiteral("Select * From tblCID Where fldName Like '*smith*'");
    QCOMPARE(S::window()->strSQL, expected);
    QCOMPARE(part<QLineEdit>("txtCurrentSQL")->text(), expected);
    QCOMPARE(S::grid()->Rows(), 4);
    QStringList names;
    for (int r = 1; r < S::grid()->Rows(); ++r)
        names << S::grid()->TextMatrix(r, CallListModel::ColName);
    names.sort();
    QCOMPARE(names,
             (QStringList{QStringLiteral("ED SMITH"), QStringLiteral("JOHN SMITH"), QStringLiteral("SMITHERS")}));
    QCOMPARE(records(), QStringLiteral("3"));
    QCOMPARE(S::panel(2)->text(), QStringLiteral("3 Records Displayed"));
    // The view is a search now, no period.
    for (int i : {0, 2, 3, 4, 6, 7, 9, 10, 12, 14})
        QVERIFY(!S::action(QStringLiteral("mnuViewTime(%1)").arg(i))->isChecked());
    QCOMPARE(part<QComboBox>("cboNameNumber")->itemText(0), QStringLiteral("*smith*"));
    QVERIFY(part<QComboBox>("cboNameNumber")->lineEdit()->hasSelectedText());

    // The request separators cannot be typed into the box.
    QLineEdit* edit = part<QComboBox>("cboNameNumber")->lineEdit();
    edit->clear();
    QTest::keyClicks(edit, QStringLiteral("a;b|c"));
    QCOMPARE(edit->text(), QStringLiteral("abc"));
}

void TestFind::aQuoteInANameIsFound()
{
    frmFind* find = open();
    part<QComboBox>("cboNameNumber")->setCurrentText(QStringLiteral("o'brien"));
    TRIGGER(find, "cmdFind");
    QCOMPARE(S::window()->strSQL,
             QStringLiteral("Select * From tblCID Where fldName Like 'o''brien' or fldNumber Like 'o''brien'"));
    QCOMPARE(S::grid()->Rows(), 2);
    QCOMPARE(S::grid()->TextMatrix(1, CallListModel::ColName), QStringLiteral("O'BRIEN"));
    QCOMPARE(records(), QStringLiteral("1"));
    QVERIFY(Prompt::history().isEmpty());
}

void TestFind::aStatementThatWritesIsRefused()
{
    frmFind* find = open();
    choosePage(CallLogSearch::CustomSQLPage);
    part<QLineEdit>("txtCustomSQL")->setText(QStringLiteral("Delete From tblCID"));
    TRIGGER(find, "cmdFind");
    // Nothing changed, and the user is told why; the list stays on the view that worked.
    QCOMPARE(CountCallers(QStringLiteral("Select * From tblCID")), 5);
    QCOMPARE(Prompt::history().size(), 1);
    QVERIFY2(Prompt::texts().first().contains(QLatin1String("would change it")), qPrintable(Prompt::texts().first()));
    QCOMPARE(S::window()->strSQL, QStringLiteral("Select * From tblCID"));
    QCOMPARE(part<QLineEdit>("txtCurrentSQL")->text(), QStringLiteral("Select * From tblCID"));
    QCOMPARE(S::grid()->Rows(), 6);
    QCOMPARE(records(), QStringLiteral("5"));

    // A query that reads is the view.
    Prompt::clearHistory();
    part<QLineEdit>("txtCustomSQL")->setText(QStringLiteral("Select * From tblCID Where fldName Like 'J*';"));
    TRIGGER(find, "cmdFind");
    QCOMPARE(S::window()->strSQL, QStringLiteral("Select * From tblCID Where fldName Like 'J*'"));
    QCOMPARE(S::grid()->Rows(), 3);
    QVERIFY(Prompt::history().isEmpty());
}

void TestFind::beginningToEndShowsEveryCall()
{
    frmFind* find = open();
    TRIGGER(S::window(), "mnuViewTime(6)"); // one day: none of the old calls
    QCOMPARE(S::grid()->Rows(), 1);
    choosePage(CallLogSearch::DateTimePage);
    QComboBox* start = part<QComboBox>("cboStartingDate");
    QComboBox* end = part<QComboBox>("cboEndingDate");
    QCOMPARE(start->itemText(0), QStringLiteral("Beginning of Records"));
    QCOMPARE(end->itemText(0), QStringLiteral("Present"));
    QCOMPARE(end->itemText(1), QStringLiteral("End of Records"));
    start->setCurrentIndex(0);
    end->setCurrentIndex(1);
    TRIGGER(find, "cmdFind");
    QCOMPARE(S::grid()->Rows(), 6);
    QCOMPARE(records(), QStringLiteral("5"));
    QSet<QString> names;
    for (int r = 1; r < S::grid()->Rows(); ++r)
        names << S::grid()->TextMatrix(r, CallListModel::ColName);
    QVERIFY(names.contains(QStringLiteral("JOHN SMITH"))); // the first call
    QVERIFY(names.contains(QStringLiteral("ED SMITH")));   // the last call

    start->setCurrentText(QStringLiteral("6/2/2005"));
    end->setCurrentText(QStringLiteral("6/4/2005 11:00 AM"));
    TRIGGER(find, "cmdFind");
    QCOMPARE(S::grid()->Rows(), 4); // 6/2, 6/3 and 6/4 at 10:00 AM
    // The typed dates are offered next time, after the words.
    QCOMPARE(start->itemText(1), QStringLiteral("6/2/2005"));
    QCOMPARE(end->itemText(2), QStringLiteral("6/4/2005 11:00 AM"));
}

void TestFind::dateMessagesPutTheFocusOnTheBox()
{
    frmFind* find = open();
    find->activateWindow();
    choosePage(CallLogSearch::DateTimePage);
    part<QComboBox>("cboStartingDate")->setCurrentText(QStringLiteral("6/2/2005"));
    part<QComboBox>("cboEndingDate")->setCurrentText(QStringLiteral("whenever"));
    TRIGGER(find, "cmdFind");
    QCOMPARE(Prompt::texts(), QStringList{QStringLiteral("Ending date must be a date.")});
    QTRY_VERIFY(part<QComboBox>("cboEndingDate")->hasFocus() ||
                part<QComboBox>("cboEndingDate")->lineEdit()->hasFocus());
    QVERIFY(part<QComboBox>("cboEndingDate")->lineEdit()->hasSelectedText());
    QCOMPARE(S::grid()->Rows(), 6);
}

void TestFind::contactsPage()
{
    clsContact jane;
    jane.Name = QStringLiteral("Jane");
    jane.AddNumber(std::make_shared<clsNumber>(QStringLiteral("555-0103"), QStringLiteral("Home")));
    QVERIFY(AddContact(jane));
    frmFind* find = open();
    QListWidget* list = part<QListWidget>("lstContacts");
    QCOMPARE(list->count(), 1);

    // A contact saved while the window is open refills the list through the contact store.
    clsContact ed;
    ed.Name = QStringLiteral("Ed");
    ed.AddNumber(std::make_shared<clsNumber>(QStringLiteral("555-0104"), QString()));
    list->item(0)->setCheckState(Qt::Checked);
    QVERIFY(AddContact(ed));
    QCOMPARE(list->count(), 2);
    QCOMPARE(list->item(0)->text(), QStringLiteral("Jane"));
    QCOMPARE(list->item(0)->checkState(), Qt::Unchecked);

    choosePage(CallLogSearch::ContactsPage);
    TRIGGER(find, "cmdSelectAll");
    QCOMPARE(list->currentRow(), -1);
    TRIGGER(find, "cmdFind");
    QCOMPARE(S::window()->strSQL, QStringLiteral("Select * From tblCID Where fldNumber like '*555-0103*' or "
                                                 "fldNumber like '*555-0104*'"));
    QCOMPARE(S::grid()->Rows(), 3);
    TRIGGER(find, "cmdUnselectAll");
    QCOMPARE(list->item(1)->checkState(), Qt::Unchecked);
    // Nothing checked: nothing is searched, nothing said.
    TRIGGER(find, "cmdFind");
    QCOMPARE(S::grid()->Rows(), 3);
    QVERIFY(Prompt::history().isEmpty());
}

void TestFind::customSQLPageButtons()
{
    frmFind* find = open();
    AddRecentItem(Section::frmFind, Key::CustomSQL, QStringLiteral("Select * From tblCID Where fldRings = 1"));
    AddRecentItem(Section::frmFind, Key::CustomSQL, QStringLiteral("Select * From tblCID Where ID = 2"));
    choosePage(CallLogSearch::CustomSQLPage);
    QLineEdit* box = part<QLineEdit>("txtCustomSQL");
    TRIGGER(find, "cmdNavigateSQL(1)");
    QCOMPARE(box->text(), QStringLiteral("Select * From tblCID Where ID = 2"));
    TRIGGER(find, "cmdNavigateSQL(1)");
    QCOMPARE(box->text(), QStringLiteral("Select * From tblCID Where fldRings = 1"));
    QCOMPARE(box->cursorPosition(), box->text().size());
    QVERIFY(!box->hasSelectedText());
    TRIGGER(find, "cmdNavigateSQL(0)");
    QCOMPARE(box->text(), QStringLiteral("Select * From tblCID Where ID = 2"));
    TRIGGER(find, "cmdClearCustomSQL");
    QCOMPARE(box->text(), QString());
    TRIGGER(find, "cmdCopyPasteCustomSQL");
    QCOMPARE(box->text(), QStringLiteral("Select * From tblCID"));
}

void TestFind::aClientAsksTheServer()
{
    QTcpServer server;
    QTcpSocket* peer = becomeClientOf(server);
    QVERIFY(peer);

    frmFind* find = open();
    const QString before = records();
    part<QComboBox>("cboNameNumber")->setCurrentText(QStringLiteral("*smith*"));
    TRIGGER(find, "cmdFind");
    const QByteArray expected =
        ";SQL;Select * From tblCID Where fldName Like '*smith*' or fldNumber Like '*smith*';COMPLETE;COMPLETE;";
    // After what the client sends when it connects, the request, once and whole.
    QByteArray received;
    QTRY_VERIFY((received += peer->readAll()).contains(expected));
    QVERIFY(received.endsWith(expected));
    QCOMPARE(received.count("Like '*smith*'"), 2);
    QWidget* note = FindForm(QStringLiteral("frmWaiting"));
    QVERIFY(note && note->isVisible());
    QCOMPARE(Tag(note), QStringLiteral("SQL"));
    // The list waits for the server: nothing read here, the count unchanged.
    QCOMPARE(S::grid()->Rows(), 6);
    QCOMPARE(records(), before);
    // The words a client cannot use are not offered.
    find->close();
    find = open();
    QCOMPARE(part<QComboBox>("cboStartingDate")->findText(QStringLiteral("Beginning of Records")), -1);
    QCOMPARE(part<QComboBox>("cboEndingDate")->findText(QStringLiteral("End of Records")), -1);
    gNetworkMode = Standalone;
}

namespace {

// A book of contacts of three numbers each; contact 2500's second number is that of a stored call.
void fillBook(int contacts)
{
    gContacts = KeyedCollection<clsContact>();
    for (int i = 0; i < contacts; ++i) {
        auto c = std::make_shared<clsContact>();
        c->Name = QStringLiteral("Contact %1").arg(i, 5, 10, QLatin1Char('0'));
        for (int k = 0; k < 3; ++k) {
            const QString number = i == 2500 && k == 1
                                       ? QStringLiteral("555-0103")
                                       : QStringLiteral("(800) %1-%2").arg(i, 5, 10, QLatin1Char('0')).arg(k);
            c->AddNumber(std::make_shared<clsNumber>(number, QStringLiteral("Home")));
        }
        gContacts.add(c->Name, c);
    }
    if (windowLinks().findUpdateContactNames)
        windowLinks().findUpdateContactNames();
}

} // namespace

// Select All over a book of 5,000 contacts of three numbers makes a search of some 540,000 characters: it
// finds their calls here, and a client sends it whole for its server to answer. One longer than the server
// takes is said in this window and not sent.
void TestFind::aFindOverAWholeBookOfThousands()
{
    fillBook(5000);
    frmFind* find = open();
    choosePage(CallLogSearch::ContactsPage);
    TRIGGER(find, "cmdSelectAll");
    TRIGGER(find, "cmdFind");
    const QString sql = S::window()->strSQL;
    QVERIFY2(sql.size() > 500000, qPrintable(QString::number(sql.size())));
    QCOMPARE(S::grid()->Rows(), 2);
    QCOMPARE(records(), QStringLiteral("1"));
    QVERIFY(Prompt::history().isEmpty());

    QTcpServer server;
    QTcpSocket* peer = becomeClientOf(server);
    QVERIFY(peer);
    const QByteArray end = ";COMPLETE;COMPLETE;";
    // After what the client sends when it connects, the request, once and whole.
    QByteArray received;
    TRIGGER(find, "cmdFind");
    const QByteArray whole = ";SQL;" + sql.toUtf8() + end;
    QTRY_VERIFY_WITH_TIMEOUT((received += peer->readAll()).contains(whole), 30000);
    QVERIFY(received.endsWith(whole));
    QVERIFY(Prompt::history().isEmpty());

    fillBook(10000);
    TRIGGER(find, "cmdSelectAll");
    TRIGGER(find, "cmdFind");
    QCOMPARE(Prompt::history().size(), 1);
    QCOMPARE(Prompt::history().last().text,
             QStringLiteral("The query is longer than 1,048,576 characters: ask for less."));
    // Nothing went: the next thing the server reads is the next search.
    choosePage(CallLogSearch::NameNumberPage);
    part<QComboBox>("cboNameNumber")->setCurrentText(QStringLiteral("*smith*"));
    TRIGGER(find, "cmdFind");
    const QByteArray next = ";SQL;Select * From tblCID Where fldName Like '*smith*' or fldNumber Like '*smith*'" + end;
    received.clear();
    QTRY_VERIFY((received += peer->readAll()).contains(next));
    QCOMPARE(received, next);
    gNetworkMode = Standalone;
}

void TestFind::openedFromTheWindowMenuAndTheToolbar()
{
    frmBaseMain* w = S::window();
    QAction* item = S::action(QStringLiteral("mnuWindow(3)"));
    QCOMPARE(item->text(), QStringLiteral("&Find"));
    QCOMPARE(item->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F));
    TRIGGER(w, "Toolbar1.Buttons(8)");
    frmFind* find = frmFind::instance(false);
    QVERIFY(find && find->isVisible());
    QVERIFY(item->isChecked());
    QCOMPARE(find->parentWidget(), static_cast<QWidget*>(w));
    // The toolbar only shows.
    TRIGGER(w, "Toolbar1.Buttons(8)");
    QVERIFY(find->isVisible() && item->isChecked());
    // The menu item closes it; closing it any way unchecks the item.
    TRIGGER(w, "mnuWindow(3)");
    QVERIFY(!find->isVisible());
    QVERIFY(!item->isChecked());
    TRIGGER(w, "mnuWindow(3)");
    QVERIFY(find->isVisible());
    TRIGGER(find, "cmdCancel");
    QVERIFY(!find->isVisible());
    QVERIFY(!item->isChecked());
    // Closed, it is hidden but kept.
    QCOMPARE(frmFind::instance(false), find);
    QVERIFY(!Links::findVisible());
}

void TestFind::reopeningBringsBackTheLastSearch()
{
    frmFind* find = open();
    find->move(Twips::toPixels(1500), Twips::toPixels(900));
    part<QComboBox>("cboNameNumber")->setCurrentText(QStringLiteral("*doe*"));
    part<QCheckBox>("chkNameField")->setChecked(false);
    TRIGGER(find, "cmdFind");
    choosePage(CallLogSearch::DateTimePage);
    part<QComboBox>("cboStartingDate")->setCurrentText(QStringLiteral("6/1/2005"));
    part<QComboBox>("cboEndingDate")->setCurrentText(QStringLiteral("End of Records"));
    TRIGGER(find, "cmdFind");
    choosePage(CallLogSearch::CustomSQLPage);
    part<QLineEdit>("txtCustomSQL")->setText(QStringLiteral("typed, never searched"));
    choosePage(CallLogSearch::NameNumberPage);
    part<QComboBox>("cboNameNumber")->setCurrentText(QStringLiteral("typed, never searched"));
    find->close();
    QCOMPARE(GetProperty(Section::frmFind, Key::Left, QString()),
             QString::number(qRound(Twips::fromPixels(find->x()))));

    find = open();
    QCOMPARE(part<QTabBar>("tbsFind")->currentIndex(), 0);
    QCOMPARE(part<QComboBox>("cboNameNumber")->currentText(), QStringLiteral("*doe*"));
    QVERIFY(!part<QCheckBox>("chkNameField")->isChecked());
    QVERIFY(part<QCheckBox>("chkNumberField")->isChecked());
    QCOMPARE(part<QComboBox>("cboStartingDate")->currentText(), QStringLiteral("6/1/2005"));
    QCOMPARE(part<QComboBox>("cboEndingDate")->currentText(), QStringLiteral("End of Records"));
    QCOMPARE(part<QLineEdit>("txtCustomSQL")->text(), QString());
    // Exactly the first page is enabled.
    QVERIFY(part<QWidget>("picFind(0)")->isEnabled());
    for (int i = 1; i < 4; ++i)
        QVERIFY(!part<QWidget>(qPrintable(QStringLiteral("picFind(%1)").arg(i)))->isEnabled());
}

void TestFind::typedTextSurvivesAResizeAndTheTray()
{
    frmFind* find = open();
    const QSize size = find->size();
    part<QComboBox>("cboNameNumber")->setCurrentText(QStringLiteral("half typed"));
    choosePage(CallLogSearch::CustomSQLPage);
    // The window keeps its size, and nothing brings the set-up back while it is open.
    find->resize(size.width() + 200, size.height() + 100);
    QCOMPARE(find->size(), size);
    find->hide(); // as the main window going to the tray hides it
    find->show();
    QCOMPARE(part<QComboBox>("cboNameNumber")->currentText(), QStringLiteral("half typed"));
    QCOMPARE(part<QTabBar>("tbsFind")->currentIndex(), int(CallLogSearch::CustomSQLPage));
    const QImage shot = find->grab().toImage();
    const QString folder =
        qEnvironmentVariable("VELQUON_BUILD_DIR", QStringLiteral(".")) + QStringLiteral("/screenshots");
    QDir().mkpath(folder);
    QVERIFY(shot.save(folder + QStringLiteral("/find.png")));
    QCOMPARE(shot.size(), find->size() * find->devicePixelRatio());
    // Something is drawn: the boxes, captions and buttons give many colours, an empty window one.
    QSet<QRgb> colours;
    for (int y = 0; y < shot.height(); y += 3)
        for (int x = 0; x < shot.width(); x += 3)
            colours.insert(shot.pixel(x, y));
    QVERIFY2(colours.size() > 8, qPrintable(QString::number(colours.size())));
}

void TestFind::ctrlTabStepsThroughThePages()
{
    frmFind* find = open();
    find->activateWindow();
    QTRY_VERIFY(QApplication::activeWindow() == find);
    QTabBar* tabs = part<QTabBar>("tbsFind");
    QStringList captions;
    for (int i = 0; i < tabs->count(); ++i)
        captions << tabs->tabText(i);
    QCOMPARE(captions, (QStringList{QStringLiteral("Name/Number"), QStringLiteral("Contacts"),
                                    QStringLiteral("Date/Time"), QStringLiteral("Custom SQL")}));
    for (int expected : {1, 2, 3, 0}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(tabs->currentIndex(), expected);
        QVERIFY(part<QWidget>(qPrintable(QStringLiteral("picFind(%1)").arg(expected)))->isEnabled());
    }
    tabs->setCurrentIndex(2);
    QTRY_VERIFY(part<QComboBox>("cboStartingDate")->lineEdit()->hasFocus());
}

void TestFind::tripleDoubleClickEmptiesHistoriesAndShakes()
{
    frmFind* find = open();
    part<QComboBox>("cboNameNumber")->setCurrentText(QStringLiteral("*smith*"));
    TRIGGER(find, "cmdFind");
    QVERIFY(!GetProperty(Section::frmFind, Key::NameNumber, QString()).isEmpty());
    const QPoint home = find->pos();
    QLabel* secret = part<QLabel>("lblSecret");
    QCOMPARE(secret->text(), QStringLiteral("Records Found:"));
    QTest::mouseDClick(secret, Qt::LeftButton);
    QTest::mouseDClick(secret, Qt::LeftButton);
    QVERIFY(!find->isShaking());
    QTest::mouseDClick(secret, Qt::LeftButton);
    QCOMPARE(GetProperty(Section::frmFind, Key::NameNumber, QStringLiteral("x")), QString());
    QVERIFY(find->isShaking());
    // The combo keeps its entries until it is next loaded.
    QCOMPARE(part<QComboBox>("cboNameNumber")->itemText(0), QStringLiteral("*smith*"));
    // The shake is paced by its timer; a second one meanwhile is not started.
    auto* shaker = ui::findByName<PopupVibrator>(find, QStringLiteral("VibrateTimer"));
    QVERIFY(shaker);
    for (int i = 0; i < 3; ++i)
        QTest::mouseDClick(secret, Qt::LeftButton);
    QVERIFY(find->isShaking());
    // Closing ends it at home.
    find->close();
    QVERIFY(!find->isShaking());
    QCOMPARE(find->pos(), home);

    // With the statistics window open, its chart and graph are hidden while the window shakes.
    TRIGGER(S::window(), "mnuWindow(4)");
    QWidget* stats = FindForm(QStringLiteral("frmStatistics"));
    QVERIFY(stats && stats->isVisible());
    // Its chart page in front.
    ui::findByName<QTabBar>(stats, QStringLiteral("tbsStats"))->setCurrentIndex(1);
    QWidget* chart = ui::findByName<QWidget>(stats, QStringLiteral("mscChart"));
    QVERIFY(chart && chart->isVisible());
    const bool chartShown = true;
    find = open();
    for (int i = 0; i < 3; ++i)
        QTest::mouseDClick(part<QLabel>("lblSecret"), Qt::LeftButton);
    QVERIFY(find->isShaking());
    QVERIFY(!chart->isVisible());
    // 101 rounds with the default duration, then home.
    int ticks = 0;
    while (find->isShaking() && ticks < 1000) {
        shaker->tick();
        ++ticks;
    }
    QCOMPARE(ticks, 101);
    QCOMPARE(chart->isVisible(), chartShown);
    QCOMPARE(find->pos(), home);
}

void TestFind::hintsFollowTheOption()
{
    install(gToolTip);
    frmFind* find = open();
    QCOMPARE(gToolTip->toolText(part<QWidget>("cmdNavigateSQL(1)")),
             QStringLiteral("This button is used to display previous custom SQL searchs."));
    QVERIFY(gToolTip->toolText(find).startsWith(QLatin1String("The find form is used")));
    find->close();
    gToolTip = std::make_unique<cToolTip>();
    SaveProperty(Section::frmConfiguration, Key::Hints, QStringLiteral("False"));
    find = open();
    QVERIFY(!gToolTip->hasTool(part<QWidget>("cmdFind")));
}

QTEST_MAIN(TestFind)
#include "test_find.moc"

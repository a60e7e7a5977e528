#include <QFile>
#include <QSignalSpy>
#include <QTest>

#include <memory>
#include <random>

#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/SettingsKeys.h"
#include "core/WindowLinks.h"
#include "core/modAttributeGroup.h"
#include "core/modContactDB.h"
#include "core/modError.h"
#include "core/modProperties.h"
#include "network/clsServer.h"
#include "platform/Prompt.h"
#include "platform/SqlDatabase.h"
#include "platform/SqlError.h"
#include "support/SignalTexts.h"
#include "support/TempHome.h"

namespace {

// The calls the contact store makes into other windows, in order.
QStringList g_calls;

class GridWindow : public MainWindow {
public:
    void RefreshGrid() override { g_calls << QStringLiteral("RefreshGrid"); }
};

clsContact makeContact(const QString& name, const QList<QPair<QString, QString>>& numbers,
                       const QString& group = QString())
{
    clsContact c;
    c.Name = name;
    c.AttributeGroup = group;
    for (const auto& n : numbers)
        c.AddNumber(std::make_shared<clsNumber>(n.first, n.second));
    return c;
}

QStringList storedRows(const QString& sql)
{
    QStringList out;
    SqlStatement st = gContactDB->prepare(sql);
    while (st.step()) {
        QStringList cells;
        for (int i = 0; i < st.columnCount(); ++i)
            cells << st.text(i);
        out << cells.join(QLatin1Char('|'));
    }
    return out;
}

QStringList numbersOf(const QString& name)
{
    QStringList out;
    if (const auto c = gContacts.item(name))
        for (const auto& e : c->Numbers)
            out << e.key;
    return out;
}

// Both tables, every column, in stored order.
QStringList snapshot()
{
    return storedRows(QStringLiteral("SELECT 'C', * FROM tblContacts ORDER BY rowid")) +
           storedRows(QStringLiteral("SELECT 'N', * FROM tblNumbers ORDER BY rowid"));
}

void addGroup(const QString& name)
{
    auto g = std::make_shared<clsAttributeGroup>();
    g->Description = name;
    gAttributeGroups.add(name, g);
}

} // namespace

class TestContactDB : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void createsAndFindsTheFile();
    void matchingByContainment();
    void indexedMatchingAgreesWithTheLinearRule();
    void duplicateChecks();
    void namesAreNeverPatterns();
    void editReplacesNumbersInOneTransaction();
    void deleteTakesNumbersAndContactTogether();
    void refreshChainAfterEachChange();
    void groupRenameReachesFileAndCollection();
    void missingGroupAndLoadErrors();
    void clientModeTouchesNothing();

private:
    std::unique_ptr<TempHome> home;
    GridWindow window;
    std::unique_ptr<clsServer> server;
    std::unique_ptr<QSignalSpy> sent;
};

void TestContactDB::init()
{
    home = std::make_unique<TempHome>();
    server = std::make_unique<clsServer>();
    windowLinks().broadcast = [s = server.get()](const QString& text) { s->SendData(text, -1, -1); };
    sent = std::make_unique<QSignalSpy>(server.get(), &clsServer::dataSent);
    gMainForm = &window;
    addGroup(QStringLiteral("Default"));
    addGroup(QStringLiteral("VIP Callers"));
    QVERIFY(CreateContactDB(defaultContactDBPath()));
    UpdateContactCollection();
    g_calls.clear();
}

void TestContactDB::cleanup()
{
    sent.reset();
    home.reset();
    server.reset();
}

void TestContactDB::createsAndFindsTheFile()
{
    const QString path = defaultContactDBPath();
    QVERIFY(QFile::exists(path));
    QCOMPARE(storedRows(QStringLiteral("SELECT name FROM pragma_table_info('tblContacts')")),
             (QStringList{"fldName", "fldAttributeGroup", "fldImageFile", "fldOtherInfo"}));
    QCOMPARE(storedRows(QStringLiteral("SELECT name FROM pragma_table_info('tblNumbers')")),
             (QStringList{"fldNumber", "fldName", "fldDescription"}));
    // A file is there already: not created again.
    QVERIFY(!CreateContactDB(path));

    // Empty texts are stored as they are.
    QVERIFY(AddContact(makeContact(QStringLiteral("Nobody"), {{QStringLiteral("555-0000"), QString()}})));
    QCOMPARE(storedRows(QStringLiteral("SELECT * FROM tblContacts")), QStringList{"Nobody|||"});
    QCOMPARE(storedRows(QStringLiteral("SELECT * FROM tblNumbers")), QStringList{"555-0000|Nobody|"});

    // Found again after closing, at the default place and at a configured one.
    CloseContactDB();
    QVERIFY(FindContactDB());
    UpdateContactCollection();
    QCOMPARE(gContacts.count(), 1);
    CloseContactDB();
    SaveProperty(Section::frmConfiguration, Key::ContactDBPath, home->file(QStringLiteral("elsewhere.mdb")));
    QVERIFY(!FindContactDB());
    QVERIFY(!gContactDB);
    QVERIFY(CreateContactDB(home->file(QStringLiteral("elsewhere.mdb"))));
    CloseContactDB();
    QVERIFY(FindContactDB());
    QVERIFY(gContactDB);

    // A file that is no database is reported to the caller, and nothing stays open.
    CloseContactDB();
    const QString junk = home->file(QStringLiteral("junk.mdb"));
    QFile f(junk);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(4096, 'x'));
    f.close();
    SaveProperty(Section::frmConfiguration, Key::ContactDBPath, junk);
    QVERIFY_THROWS_EXCEPTION(SqlError, FindContactDB());
    QVERIFY(!gContactDB);

    // No rebuild without a file: the collection is emptied and nothing is reported.
    CloseContactDB();
    Prompt::clearHistory();
    UpdateContactCollection();
    QCOMPARE(gContacts.count(), 0);
    QVERIFY(Prompt::texts().isEmpty());
    QVERIFY(!AddContact(makeContact(QStringLiteral("X"), {})));
    QCOMPARE(gErrNumber, kObjectNotSetError);
}

void TestContactDB::matchingByContainment()
{
    QVERIFY(AddContact(makeContact(QStringLiteral("Bob"), {{QStringLiteral("555-1234"), QStringLiteral("Home")}},
                                   QStringLiteral("VIP Callers"))));
    QVERIFY(
        AddContact(makeContact(QStringLiteral("Ann"), {{QStringLiteral("(212) 555-1234"), QStringLiteral("Work")}})));
    QCOMPARE(gContacts.keyAt(0), QStringLiteral("Bob"));

    clsCaller call;
    call.Name = QStringLiteral("WIRELESS CALLER");
    call.Number.Number = QStringLiteral("(212) 555-1234");
    MatchCallerToContact(call.Number.Number, call);
    QCOMPARE(call.ContactName, QStringLiteral("Bob"));
    QCOMPARE(call.AttributeGroup, QStringLiteral("VIP Callers"));
    QCOMPARE(call.Number.Description, QStringLiteral("Home"));
    QCOMPARE(call.PrintNameDescription(), QStringLiteral("Bob (Home)"));

    // A seven-digit entry covers every area code; containment is case-sensitive.
    call.Number.Number = QStringLiteral("(718) 555-1234");
    MatchCallerToContact(call.Number.Number, call);
    QCOMPARE(call.ContactName, QStringLiteral("Bob"));
    QCOMPARE(FindContactByNumber(QStringLiteral("(718) 555-1234"))->Name, QStringLiteral("Bob"));

    // No match clears what an earlier match left.
    MatchCallerToContact(QStringLiteral("(718) 555-9999"), call);
    QVERIFY(call.ContactName.isEmpty() && call.AttributeGroup.isEmpty() && call.Number.Description.isEmpty());
    QCOMPARE(call.PrintNameDescription(), QStringLiteral("WIRELESS CALLER"));
    const auto none = FindContactByNumber(QStringLiteral("(718) 555-9999"));
    QVERIFY(none->Name.isEmpty());
    QCOMPARE(none->Numbers.count(), 0);

    // The special texts match contacts that list them; an empty caller number matches nothing.
    QVERIFY(AddContact(makeContact(QStringLiteral("Unknowns"), {{QStringLiteral("PRIVATE NUMBER"), QString()}})));
    MatchCallerToContact(QStringLiteral("PRIVATE NUMBER"), call);
    QCOMPARE(call.ContactName, QStringLiteral("Unknowns"));
    MatchCallerToContact(QStringLiteral("private number"), call);
    QVERIFY(call.ContactName.isEmpty());
    MatchCallerToContact(QString(), call);
    QVERIFY(call.ContactName.isEmpty());

    // A stored empty number does not claim every call.
    QVERIFY(AddContact(makeContact(QStringLiteral("Blank"), {{QString(), QStringLiteral("Fax")}})));
    MatchCallerToContact(QStringLiteral("(999) 123-4567"), call);
    QVERIFY(call.ContactName.isEmpty());

    QCOMPARE(GetContact(QStringLiteral("ann"))->Name, QStringLiteral("Ann"));
    QVERIFY(GetContact(QStringLiteral("Zed"))->Name.isEmpty());
}

// The matching looks numbers up in an index over the book; its answer must be the plain rule's: the first
// contact in the book's order that owns a number contained in the call's number (as stored, capitals
// counting), and that contact's first such number. Thousands of generated books and call numbers, with numbers
// contained in others, the same number under several contacts, empty and odd entries.
void TestContactDB::indexedMatchingAgreesWithTheLinearRule()
{
    std::mt19937 random(20261208);
    const QStringList pieces = {QStringLiteral("555"),    QStringLiteral("1234"),
                                QStringLiteral("(212) "), QStringLiteral("-"),
                                QStringLiteral("0"),      QStringLiteral("PRIVATE NUMBER"),
                                QStringLiteral("x"),      QStringLiteral("X"),
                                QStringLiteral("12"),     QString(),
                                QStringLiteral(" "),      QStringLiteral("ü")};
    const auto text = [&](int most) {
        QString t;
        const int n = int(random() % unsigned(most + 1));
        for (int i = 0; i < n; ++i)
            t += pieces[int(random() % unsigned(pieces.size()))];
        return t;
    };
    const auto linear = [](const QString& number) -> std::pair<QString, QString> {
        for (const auto& entry : gContacts)
            for (const auto& n : entry.item->Numbers)
                if (!n.item->Number.isEmpty() && number.contains(n.item->Number, Qt::CaseSensitive))
                    return {entry.item->Name, n.item->Description};
        return {};
    };
    int matched = 0;
    for (int book = 0; book < 2000; ++book) {
        KeyedCollection<clsContact> contacts;
        const int count = int(random() % 12);
        for (int c = 0; c < count; ++c) {
            auto contact = std::make_shared<clsContact>();
            contact->Name = QStringLiteral("C%1").arg(c);
            const int numbers = int(random() % 4);
            for (int n = 0; n < numbers; ++n)
                contact->AddNumber(std::make_shared<clsNumber>(text(3), QStringLiteral("D%1").arg(n)));
            contacts.add(contact->Name, contact);
        }
        gContacts = contacts;
        for (int call = 0; call < 10; ++call) {
            const QString number = text(5);
            const auto expected = linear(number);
            clsCaller caller;
            MatchCallerToContact(number, caller);
            QCOMPARE(caller.ContactName, expected.first);
            const auto found = FindContactByNumber(number);
            QCOMPARE(found->Name, expected.first);
            QCOMPARE(caller.Number.Description, expected.second);
            if (!expected.first.isEmpty())
                ++matched;
        }
    }
    // The generated books do match, and often: the comparison is not all misses.
    QVERIFY2(matched > 1000, qPrintable(QString::number(matched)));

    // A change of the book is seen at once: the index is made again.
    gContacts = KeyedCollection<clsContact>();
    auto first = std::make_shared<clsContact>();
    first->Name = QStringLiteral("First");
    first->AddNumber(std::make_shared<clsNumber>(QStringLiteral("555-1234"), QString()));
    gContacts.add(first->Name, first);
    QCOMPARE(FindContactByNumber(QStringLiteral("(212) 555-1234"))->Name, QStringLiteral("First"));
    gContacts.remove(QStringLiteral("First"));
    QVERIFY(FindContactByNumber(QStringLiteral("(212) 555-1234"))->Name.isEmpty());
}

void TestContactDB::duplicateChecks()
{
    QVERIFY(AddContact(makeContact(QStringLiteral("Bob"), {{QStringLiteral("555-1234"), QStringLiteral("Home")}})));
    QVERIFY(AddContact(makeContact(QStringLiteral("Ann"), {{QStringLiteral("(212) 555-1234"), QString()}})));
    const QStringList before = snapshot();

    QVERIFY(!AddContact(makeContact(QStringLiteral("BOB"), {{QStringLiteral("555-0001"), QString()}})));
    QCOMPARE(gErrNumber, 1);
    QCOMPARE(gErrDescription, QStringLiteral("Duplicate names in database."));
    Prompt::clearHistory();
    ShowError(QString());
    QCOMPARE(Prompt::texts(),
             QStringList{"Cannot perform operation.\r\nError #1: Duplicate names in database.\r\nSource: Velquon"});

    // Another contact's number, on add or on edit.
    QVERIFY(!AddContact(makeContact(QStringLiteral("Carl"), {{QStringLiteral("555-1234"), QStringLiteral("Cell")}})));
    QCOMPARE(gErrNumber, 2);
    QCOMPARE(gErrDescription, QStringLiteral("555-1234 was found to be a duplicate numbers in the database."));
    clsContact ann = makeContact(QStringLiteral("Ann"), {{QStringLiteral("(212) 555-1234"), QString()},
                                                         {QStringLiteral("555-1234"), QStringLiteral("Office")}});
    QVERIFY(!EditContact(QStringLiteral("Ann"), ann));
    QCOMPARE(gErrNumber, 2);
    QCOMPARE(gErrDescription, QStringLiteral("555-1234 was found to be a duplicate numbers in the database."));
    QCOMPARE(snapshot(), before);
    QCOMPARE(gContacts.count(), 2);

    // The same number twice in one contact, even with different descriptions and nothing stored.
    QVERIFY(!AddContact(makeContact(QStringLiteral("Dan"), {{QStringLiteral("555-7777"), QStringLiteral("Home")},
                                                            {QStringLiteral("555-7777"), QStringLiteral("Work")}})));
    QCOMPARE(gErrDescription, QStringLiteral("555-7777 was found to be a duplicate numbers in the database."));
    // Case matters for numbers, not for names.
    QVERIFY(AddContact(makeContact(QStringLiteral("Eve"), {{QStringLiteral("ext a"), QString()}})));
    QVERIFY(AddContact(makeContact(QStringLiteral("Fay"), {{QStringLiteral("EXT A"), QString()}})));
    QVERIFY(AddContact(makeContact(QStringLiteral("Émile"), {})));
    QVERIFY(!AddContact(makeContact(QStringLiteral("ÉMILE"), {})));
    QCOMPARE(gErrNumber, 1);

    // Editing a contact while keeping its numbers, and a rename in capitals only, both succeed.
    clsContact bob = makeContact(QStringLiteral("bob"), {{QStringLiteral("555-1234"), QStringLiteral("Home")},
                                                         {QStringLiteral("555-9999"), QStringLiteral("Cell")}});
    QVERIFY(EditContact(QStringLiteral("Bob"), bob));
    QCOMPARE(gContacts.keyAt(0), QStringLiteral("bob"));
    QCOMPARE(numbersOf(QStringLiteral("bob")), (QStringList{"555-1234 (Home)", "555-9999 (Cell)"}));
    QCOMPARE(storedRows(QStringLiteral("SELECT fldName FROM tblContacts WHERE fldName = 'bob' COLLATE BINARY")),
             QStringList{"bob"});
    // A rename onto another contact's name is refused.
    QVERIFY(!EditContact(QStringLiteral("bob"), makeContact(QStringLiteral("ANN"), {})));
    QCOMPARE(gErrNumber, 1);
}

void TestContactDB::namesAreNeverPatterns()
{
    QVERIFY(AddContact(makeContact(QStringLiteral("B*"), {{QStringLiteral("111-1111"), QString()}})));
    QVERIFY(AddContact(makeContact(QStringLiteral("Bob"), {{QStringLiteral("222-2222"), QString()}})));
    QVERIFY(AddContact(makeContact(QStringLiteral("Barb"), {{QStringLiteral("333-3333"), QString()}})));
    QVERIFY(AddContact(makeContact(QStringLiteral("O'Brien"), {{QStringLiteral("444-4444"), QString()}})));
    QVERIFY(AddContact(makeContact(QStringLiteral("B_b%"), {{QStringLiteral("555-5555"), QString()}})));
    // A number that looks like a pattern is only itself.
    QVERIFY(AddContact(makeContact(QStringLiteral("Star"), {{QStringLiteral("*"), QString()}})));

    QVERIFY(EditContact(QStringLiteral("B*"),
                        makeContact(QStringLiteral("B*"), {{QStringLiteral("111-0000"), QString()}})));
    QCOMPARE(numbersOf(QStringLiteral("Bob")), QStringList{"222-2222"});
    QCOMPARE(numbersOf(QStringLiteral("B*")), QStringList{"111-0000"});

    QVERIFY(DeleteContact(QStringLiteral("B*")));
    QCOMPARE(gContacts.count(), 5);
    QVERIFY(!gContacts.contains(QStringLiteral("B*")));
    QVERIFY(gContacts.contains(QStringLiteral("Bob")) && gContacts.contains(QStringLiteral("Barb")));
    QVERIFY(storedRows(QStringLiteral("SELECT * FROM tblNumbers WHERE fldName = 'B*'")).isEmpty());
    QCOMPARE(storedRows(QStringLiteral("SELECT count(*) FROM tblNumbers")), QStringList{"5"});

    QVERIFY(DeleteContact(QStringLiteral("B_b%")));
    QVERIFY(gContacts.contains(QStringLiteral("Bob")));

    QVERIFY(EditContact(QStringLiteral("o'brien"), makeContact(QStringLiteral("O'Brien"), {{QStringLiteral("444-4444"),
                                                                                            QStringLiteral("Home")}})));
    QCOMPARE(numbersOf(QStringLiteral("O'Brien")), QStringList{"444-4444 (Home)"});
    QVERIFY(DeleteContact(QStringLiteral("O'BRIEN")));
    QVERIFY(!gContacts.contains(QStringLiteral("O'Brien")));
    QVERIFY(storedRows(QStringLiteral("SELECT * FROM tblNumbers WHERE fldNumber = '444-4444'")).isEmpty());
    // Deleting a name that is not there changes nothing and is no error.
    QVERIFY(DeleteContact(QStringLiteral("Nobody")));
    QCOMPARE(gContacts.count(), 3);
}

void TestContactDB::editReplacesNumbersInOneTransaction()
{
    QVERIFY(AddContact(makeContact(QStringLiteral("Bob"), {{QStringLiteral("555-1234"), QStringLiteral("Home")},
                                                           {QStringLiteral("555-4321"), QStringLiteral("Work")}})));
    QVERIFY(AddContact(makeContact(QStringLiteral("Ann"), {{QStringLiteral("555-0001"), QString()}})));

    // Rename and new numbers: the contact keeps its place, its numbers move with the new name.
    clsContact bobby = makeContact(QStringLiteral("Bobby"), {{QStringLiteral("555-4321"), QStringLiteral("Work")}});
    bobby.OtherInfo = QStringLiteral("Plays bass");
    QVERIFY(EditContact(QStringLiteral("Bob"), bobby));
    QCOMPARE(gContacts.keyAt(0), QStringLiteral("Bobby"));
    QCOMPARE(gContacts.at(0)->OtherInfo, QStringLiteral("Plays bass"));
    QCOMPARE(storedRows(QStringLiteral("SELECT fldNumber, fldName FROM tblNumbers ORDER BY rowid")),
             (QStringList{"555-0001|Ann", "555-4321|Bobby"}));

    // A number too long for the table fails half-way: nothing of the edit is kept.
    const QStringList before = snapshot();
    clsContact broken = makeContact(QStringLiteral("Robert"), {{QStringLiteral("555-1111"), QString()},
                                                               {QString(60, QLatin1Char('9')), QString()}});
    QVERIFY(!EditContact(QStringLiteral("Bobby"), broken));
    QVERIFY(gErrNumber != 0);
    QCOMPARE(snapshot(), before);
    QCOMPARE(storedRows(QStringLiteral("SELECT fldName FROM tblContacts ORDER BY rowid")),
             (QStringList{"Bobby", "Ann"}));

    // Editing a contact that is not stored writes nothing.
    g_calls.clear();
    QVERIFY(!EditContact(QStringLiteral("Ghost"),
                         makeContact(QStringLiteral("Ghost"), {{QStringLiteral("1"), QString()}})));
    QCOMPARE(gErrNumber, kNoCurrentRecordError);
    QCOMPARE(storedRows(QStringLiteral("SELECT count(*) FROM tblNumbers")), QStringList{"2"});
    QVERIFY(g_calls.isEmpty());
}

void TestContactDB::deleteTakesNumbersAndContactTogether()
{
    QVERIFY(AddContact(makeContact(QStringLiteral("Bob"), {{QStringLiteral("555-1234"), QStringLiteral("Home")}})));
    // The contact's row cannot go (as if the file failed there): its numbers stay too.
    gContactDB->exec(QStringLiteral(
        "CREATE TRIGGER keepBob BEFORE DELETE ON tblContacts BEGIN SELECT RAISE(ABORT, 'disk I/O error'); END"));
    const QStringList before = snapshot();
    QVERIFY(!DeleteContact(QStringLiteral("Bob")));
    QVERIFY(gErrNumber != 0);
    QCOMPARE(snapshot(), before);
    QCOMPARE(numbersOf(QStringLiteral("Bob")), QStringList{"555-1234 (Home)"});
    gContactDB->exec(QStringLiteral("DROP TRIGGER keepBob"));
    QVERIFY(DeleteContact(QStringLiteral("bob")));
    QVERIFY(snapshot().isEmpty());
}

void TestContactDB::refreshChainAfterEachChange()
{
    WindowLinks& links = windowLinks();
    bool shown = true;
    links.contactsVisible = [&] { return shown; };
    links.findVisible = [&] { return shown; };
    links.miniDisplayVisible = [&] { return shown; };
    links.contactsAddC = [](const clsContact& c) { g_calls << QStringLiteral("AddC ") + c.Name; };
    links.contactsEditC = [](const QString& old, const clsContact& c) {
        g_calls << QStringLiteral("EditC ") + old + QStringLiteral(" -> ") + c.Name;
    };
    links.contactsRemoveC = [](const QString& name) { g_calls << QStringLiteral("RemoveC ") + name; };
    links.findUpdateContactNames = [] { g_calls << QStringLiteral("UpdateContactNames"); };
    links.miniDisplayRefreshContactInfo = [] { g_calls << QStringLiteral("RefreshContactInfo"); };
    links.updateContactGroups = [] {
        g_calls << QStringLiteral("UpdateContactGroups ") + QString::number(gContacts.count());
    };
    QObject::connect(server.get(), &clsServer::dataSent, server.get(),
                     [](const QString&) { g_calls << QStringLiteral("Send"); });

    const QStringList chain = {"UpdateContactNames", "RefreshContactInfo", "RefreshGrid", "UpdateContactGroups 1",
                               "Send"};
    QVERIFY(AddContact(makeContact(QStringLiteral("Bob"), {{QStringLiteral("555-1234"), QStringLiteral("Home")}},
                                   QStringLiteral("Default"))));
    QCOMPARE(g_calls, chain + QStringList{"AddC Bob"});
    QCOMPARE(texts(*sent).last(), QStringLiteral(";CLEAR CONTACTS;;CONTACT;|Bob|Default|||NUMBER|555-1234|Home"));

    g_calls.clear();
    QVERIFY(EditContact(QStringLiteral("Bob"), makeContact(QStringLiteral("Robert"), {})));
    QCOMPARE(g_calls, chain + QStringList{"EditC Bob -> Robert"});

    g_calls.clear();
    QVERIFY(DeleteContact(QStringLiteral("Robert")));
    QCOMPARE(g_calls, (QStringList{"UpdateContactNames", "RefreshContactInfo", "RefreshGrid", "UpdateContactGroups 0",
                                   "Send", "RemoveC Robert"}));
    QCOMPARE(texts(*sent).last(), QStringLiteral(";CLEAR CONTACTS;"));

    // Hidden windows are left alone; the grid, the statistics groups and the clients are always refreshed.
    shown = false;
    g_calls.clear();
    QVERIFY(AddContact(makeContact(QStringLiteral("Ann"), {})));
    QCOMPARE(g_calls, (QStringList{"RefreshGrid", "UpdateContactGroups 1", "Send"}));
    // A refused change refreshes nothing.
    g_calls.clear();
    QVERIFY(!AddContact(makeContact(QStringLiteral("ann"), {})));
    QVERIFY(g_calls.isEmpty());
}

void TestContactDB::groupRenameReachesFileAndCollection()
{
    addGroup(QStringLiteral("A*"));
    addGroup(QStringLiteral("Ab"));
    QVERIFY(AddContact(makeContact(QStringLiteral("Bob"), {}, QStringLiteral("VIP Callers"))));
    QVERIFY(AddContact(makeContact(QStringLiteral("Cid"), {}, QStringLiteral("vip callers"))));
    QVERIFY(AddContact(makeContact(QStringLiteral("Ann"), {}, QStringLiteral("A*"))));
    QVERIFY(AddContact(makeContact(QStringLiteral("Abe"), {}, QStringLiteral("Ab"))));
    QStringList edited;
    windowLinks().contactsEditC = [&](const QString& old, const clsContact& c) {
        edited << old + QLatin1Char('=') + c.AttributeGroup;
    };

    RefreshAttributeGroup(QStringLiteral("VIP Callers"), QStringLiteral("Friends"));
    QCOMPARE(gContacts.item(QStringLiteral("Bob"))->AttributeGroup, QStringLiteral("Friends"));
    QCOMPARE(gContacts.item(QStringLiteral("Cid"))->AttributeGroup, QStringLiteral("Friends"));
    QCOMPARE(edited, (QStringList{"Bob=Friends", "Cid=Friends"}));
    QCOMPARE(storedRows(QStringLiteral("SELECT fldName, fldAttributeGroup FROM tblContacts ORDER BY rowid")),
             (QStringList{"Bob|Friends", "Cid|Friends", "Ann|A*", "Abe|Ab"}));

    // A group whose name looks like a pattern renames only itself.
    RefreshAttributeGroup(QStringLiteral("A*"), QStringLiteral("Zed"));
    QCOMPARE(storedRows(QStringLiteral("SELECT fldName, fldAttributeGroup FROM tblContacts ORDER BY rowid")),
             (QStringList{"Bob|Friends", "Cid|Friends", "Ann|Zed", "Abe|Ab"}));
    QCOMPARE(gContacts.item(QStringLiteral("Abe"))->AttributeGroup, QStringLiteral("Ab"));

    // "<none>" on either side changes nothing.
    edited.clear();
    RefreshAttributeGroup(QStringLiteral("Ab"), QStringLiteral("<None>"));
    RefreshAttributeGroup(QStringLiteral("<none>"), QStringLiteral("Ab"));
    QVERIFY(edited.isEmpty());
    QCOMPARE(gContacts.item(QStringLiteral("Abe"))->AttributeGroup, QStringLiteral("Ab"));

    // The contact book may rebuild the collection while it is told of each contact: every contact of the
    // group is still renamed, once, and the file follows.
    edited.clear();
    windowLinks().contactsEditC = [&](const QString& old, const clsContact& c) {
        edited << old + QLatin1Char('=') + c.AttributeGroup;
        UpdateContactCollection();
    };
    RefreshAttributeGroup(QStringLiteral("Friends"), QStringLiteral("Pals"));
    QCOMPARE(edited, (QStringList{"Bob=Pals", "Cid=Pals"}));
    QCOMPARE(storedRows(QStringLiteral("SELECT fldName, fldAttributeGroup FROM tblContacts ORDER BY rowid")),
             (QStringList{"Bob|Pals", "Cid|Pals", "Ann|Zed", "Abe|Ab"}));
    windowLinks().contactsEditC = nullptr;

    // Client mode: neither the collection nor the file changes.
    gNetworkMode = Client;
    RefreshAttributeGroup(QStringLiteral("Ab"), QStringLiteral("Other"));
    gNetworkMode = Standalone;
    QCOMPARE(gContacts.item(QStringLiteral("Abe"))->AttributeGroup, QStringLiteral("Ab"));
    QCOMPARE(storedRows(QStringLiteral("SELECT fldAttributeGroup FROM tblContacts WHERE fldName = 'Abe'")),
             QStringList{"Ab"});
}

void TestContactDB::missingGroupAndLoadErrors()
{
    QVERIFY(AddContact(makeContact(QStringLiteral("Bob"), {}, QStringLiteral("Gone Group"))));
    QVERIFY(gContacts.item(QStringLiteral("Bob"))->AttributeGroup.isEmpty());
    QCOMPARE(storedRows(QStringLiteral("SELECT fldAttributeGroup FROM tblContacts")), QStringList{"Gone Group"});
    // The stored group name in other capitals gives the group's own spelling.
    gContactDB->exec(QStringLiteral("UPDATE tblContacts SET fldAttributeGroup = 'vip CALLERS'"));
    UpdateContactCollection();
    QCOMPARE(gContacts.item(QStringLiteral("Bob"))->AttributeGroup, QStringLiteral("VIP Callers"));

    // Two stored contacts whose names differ only in capitals: the load stops there and says so.
    gContactDB->exec(QStringLiteral("INSERT INTO tblContacts (fldName) VALUES ('BOB'), ('Zoe')"));
    Prompt::clearHistory();
    g_calls.clear();
    const qsizetype sentBefore = sent->size();
    UpdateContactCollection();
    QCOMPARE(Prompt::texts(), QStringList{"An error occured while trying to load the contact database. \r\n"
                                          "Contact databases created with version 2.0.7 or earlier \r\n"
                                          "cannot be loaded using an updated version of Velquon."});
    QCOMPARE(Prompt::history().last().icon, int(Prompt::Exclamation));
    QCOMPARE(lastReportedTag(), QStringLiteral("modContactDB_UpdateContactCollection"));
    QCOMPARE(gContacts.count(), 1); // the contacts read before the bad one
    QVERIFY(g_calls.isEmpty());
    QCOMPARE(sent->size(), sentBefore);
}

void TestContactDB::clientModeTouchesNothing()
{
    QVERIFY(AddContact(makeContact(QStringLiteral("Bob"), {{QStringLiteral("555-1234"), QStringLiteral("Home")}})));
    // The file stays open, as if a server had turned client: the client still must not touch it.
    const QStringList before = snapshot();
    const qsizetype sentBefore = sent->size();
    g_calls.clear();

    gNetworkMode = Client;
    // The client's book comes from the server's message.
    gContacts = KeyedCollection<clsContact>();
    auto fromServer = std::make_shared<clsContact>();
    fromServer->BuildContact(QStringLiteral("|Ann|VIP Callers|||NUMBER|555-1234|Cell"));
    gContacts.add(fromServer->Name, fromServer);

    QVERIFY(!FindContactDB());
    QVERIFY(!CreateContactDB(home->file(QStringLiteral("client.mdb"))));
    QVERIFY(!QFile::exists(home->file(QStringLiteral("client.mdb"))));
    QVERIFY(!AddContact(makeContact(QStringLiteral("Carl"), {})));
    QVERIFY(!EditContact(QStringLiteral("Ann"), makeContact(QStringLiteral("Anne"), {})));
    QVERIFY(!DeleteContact(QStringLiteral("Ann")));
    UpdateContactCollection();
    SendContacts();
    QCOMPARE(gContacts.count(), 1);
    QCOMPARE(gContacts.keyAt(0), QStringLiteral("Ann"));
    QCOMPARE(sent->size(), sentBefore);
    QCOMPARE(snapshot(), before);
    QVERIFY(g_calls.isEmpty()); // not even the grid is refreshed

    clsCaller call;
    MatchCallerToContact(QStringLiteral("(212) 555-1234"), call);
    QCOMPARE(call.ContactName, QStringLiteral("Ann"));
    QCOMPARE(call.PrintNameDescription(), QStringLiteral("Ann (Cell)"));
    QCOMPARE(call.AttributeGroup, QStringLiteral("VIP Callers"));
}

QTEST_GUILESS_MAIN(TestContactDB)
#include "test_contactdb.moc"

#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QTest>

#include <sys/stat.h>

#include "contacts/ContactForm.h"
#include "contacts/ContactPicture.h"
#include "contacts/ContactStore.h"
#include "core/Globals.h"
#include "core/modContactDB.h"
#include "core/modError.h"
#include "platform/Prompt.h"
#include "platform/SqlDatabase.h"
#include "support/TempHome.h"

namespace {

std::shared_ptr<clsNumber> number(const char* n, const char* d = "")
{
    return std::make_shared<clsNumber>(QString::fromLatin1(n), QString::fromLatin1(d));
}

clsContact contact(const QString& name, const QList<std::shared_ptr<clsNumber>>& numbers)
{
    clsContact c;
    c.Name = name;
    for (const auto& n : numbers)
        c.AddNumber(n);
    return c;
}

ContactFields fieldsOf(const clsContact& c, const QString& groupText = QStringLiteral("<none>"))
{
    ContactFields f;
    f.name = c.Name;
    f.groupText = groupText;
    f.imageFile = c.ImageFile;
    f.otherInfo = c.OtherInfo;
    f.numbers = c.Numbers.items();
    return f;
}

} // namespace

// What the contact book decides without its window: modes, status texts, the change test, the save checks
// and record, the client's requests, picture files, and the commands that turn a caller into a contact.
class TestContactForm : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void modesFollowTheAddingRule();
    void statusTexts();
    void changeTest();
    void saveChecksLookAtTheCleanedName();
    void recordIsCleanedAndKeepsWhatClientsCannotSee();
    void clientRequests();
    void picturesLoadOnlyRegularFilesBelowTheCap();
    void pictureFileDialog();
    void openersStoreANewContactOrANumber();
    void openersChangeNothingInMemoryOnRefusal();
    void openersInClientModeOnlySend();
    void countsOfTheContactFile();
};

void TestContactForm::modesFollowTheAddingRule()
{
    using namespace ContactMode;
    struct Case {
        QString current, requested, expected;
        bool begins;
    };
    const Case cases[] = {
        {Empty, Editing, Adding, true},
        {Viewing, Editing, Editing, false},
        {Editing, Editing, Editing, false},
        {Saving, Editing, Editing, false},
        {Adding, Editing, Adding, false},
        {Loading, Editing, Loading, false},
        {Viewing, Loading, Loading, false},
        {Adding, Viewing, Viewing, false},
        {Editing, Empty, Empty, false},
        // Mode texts compare exactly: "Viewing" is no mode of the window, so an edit there is an edit.
        {QStringLiteral("Viewing"), Editing, Editing, false},
    };
    for (const Case& c : cases) {
        const Change got = next(c.current, c.requested);
        QCOMPARE(got.mode, c.expected);
        QCOMPARE(got.beginsNewContact, c.begins);
    }
}

void TestContactForm::statusTexts()
{
    using namespace ContactMode;
    const QString db = QStringLiteral("/home/u/dbContacts.mdb");
    QCOMPARE(statusText(Viewing, QStringLiteral("Ann"), db, false),
             std::optional<QString>(QStringLiteral("Viewing contact Ann in /home/u/dbContacts.mdb")));
    QCOMPARE(statusText(Editing, QStringLiteral("Ann"), db, false),
             std::optional<QString>(QStringLiteral("Editing contact Ann in /home/u/dbContacts.mdb")));
    QCOMPARE(statusText(Adding, QString(), db, false),
             std::optional<QString>(QStringLiteral("Adding a new contact in /home/u/dbContacts.mdb")));
    // No name, no text.
    QCOMPARE(statusText(Viewing, QString(), db, false), std::optional<QString>(QString()));
    for (const QString& quiet : {Loading, Saving, Empty})
        QCOMPARE(statusText(quiet, QStringLiteral("Ann"), db, false), std::optional<QString>(QString()));
    // A client has no contact file: those texts are not formed and the panel keeps its text.
    for (const QString& named : {Viewing, Editing, Adding})
        QVERIFY(!statusText(named, QStringLiteral("Ann"), QString(), true));
    QCOMPARE(statusText(Saving, QStringLiteral("Ann"), QString(), true), std::optional<QString>(QString()));
}

void TestContactForm::changeTest()
{
    clsContact stored = contact(QStringLiteral("Ann"), {number("555-1234", "Home"), number("555-9999")});
    stored.AttributeGroup = QStringLiteral("VIP Callers");
    stored.ImageFile = QStringLiteral("/pics/ann.png");
    stored.OtherInfo = QStringLiteral("x");
    const ContactFields same = fieldsOf(stored, QStringLiteral("VIP Callers"));
    QVERIFY(!formDiffers(same, stored, false));

    auto changed = [&](auto edit) {
        ContactFields f = same;
        edit(f);
        return formDiffers(f, stored, false);
    };
    QVERIFY(changed([](ContactFields& f) { f.name = QStringLiteral("ann"); })); // exact comparison
    QVERIFY(changed([](ContactFields& f) { f.groupText = QStringLiteral("<none>"); }));
    QVERIFY(changed([](ContactFields& f) { f.imageFile.clear(); }));
    QVERIFY(changed([](ContactFields& f) { f.otherInfo = QStringLiteral("x "); }));
    QVERIFY(changed([](ContactFields& f) { f.numbers.removeLast(); }));
    QVERIFY(changed([](ContactFields& f) { f.numbers[0] = number("555-1234", "Work"); }));
    // The same count, and every working number among the stored ones: unchanged, even with one stored
    // number replaced by a second copy of another.
    QVERIFY(!changed([](ContactFields& f) { f.numbers[1] = number("555-1234", "Home"); }));

    // Without a group, "<none>" in any capitals is the same as an empty box.
    clsContact plain = contact(QStringLiteral("Bob"), {number("555-0001")});
    QVERIFY(!formDiffers(fieldsOf(plain, QStringLiteral("<NONE>")), plain, false));
    QVERIFY(!formDiffers(fieldsOf(plain, QString()), plain, false));
    // A client shows neither group nor picture, so they are not compared.
    ContactFields hidden = same;
    hidden.groupText = QStringLiteral("<none>");
    hidden.imageFile.clear();
    QVERIFY(formDiffers(hidden, stored, false));
    QVERIFY(!formDiffers(hidden, stored, true));
}

void TestContactForm::saveChecksLookAtTheCleanedName()
{
    QCOMPARE(saveRefusal(QString(), 1), std::optional<QString>(QStringLiteral("You must enter a contact name.")));
    // Whatever else is wrong, an empty name comes first.
    QCOMPARE(saveRefusal(QString(), 0), std::optional<QString>(QStringLiteral("You must enter a contact name.")));
    // Made only of the characters a save removes: nothing would be left to store.
    QCOMPARE(saveRefusal(QStringLiteral("';|//"), 1),
             std::optional<QString>(QStringLiteral("You must enter a contact name.")));
    QCOMPARE(saveRefusal(QStringLiteral("Ann"), 0),
             std::optional<QString>(QStringLiteral("Each name must have at least one number associated with it.")));
    for (const char* numeric : {"5551234", "-12", "3.5", " 42 ", "1e3", "1'2"})
        QCOMPARE(saveRefusal(QString::fromLatin1(numeric), 1),
                 std::optional<QString>(QStringLiteral("Contact names cannot be all numeric.")));
    for (const char* name : {"Ann", "555-1234", "Route 66", "inf", "nan", "1st Bank", "O'Neil"})
        QVERIFY2(!saveRefusal(QString::fromLatin1(name), 1), name);
}

void TestContactForm::recordIsCleanedAndKeepsWhatClientsCannotSee()
{
    clsContact stored = contact(QStringLiteral("Ann"), {number("555-1234")});
    stored.AttributeGroup = QStringLiteral("VIP Callers");
    stored.ImageFile = QStringLiteral("/pics/ann.png");
    ContactFields f = fieldsOf(stored, QStringLiteral("Default"));
    f.name = QStringLiteral("Corner's; Caf|e");
    f.otherInfo = QStringLiteral("a//b;c|d'e/f");
    f.imageFile = QStringLiteral("/pics/new.png");

    const clsContact local = buildRecord(f, stored, false);
    QCOMPARE(local.Name, QStringLiteral("Corners Cafe"));
    QCOMPARE(local.OtherInfo, QStringLiteral("abcde/f"));
    QCOMPARE(local.AttributeGroup, QStringLiteral("Default"));
    QCOMPARE(local.ImageFile, QStringLiteral("/pics/new.png"));
    // The working numbers themselves, in order.
    QCOMPARE(local.Numbers.count(), 1);
    QCOMPARE(local.Numbers.at(0).get(), f.numbers.first().get());

    f.groupText = QStringLiteral("<none>");
    QCOMPARE(buildRecord(f, stored, false).AttributeGroup, QString());
    const clsContact remote = buildRecord(f, stored, true);
    QCOMPARE(remote.AttributeGroup, QStringLiteral("VIP Callers"));
    QCOMPARE(remote.ImageFile, QStringLiteral("/pics/ann.png"));
}

void TestContactForm::clientRequests()
{
    clsContact bob = contact(QStringLiteral("Bob"), {number("555-1234")});
    bob.OtherInfo = QStringLiteral("x");
    QCOMPARE(ContactRequests::add(bob), QStringLiteral(";ADD CONTACT;|Bob|||x|NUMBER|555-1234|NONE"));
    bob.Name = QStringLiteral("Robert");
    QCOMPARE(ContactRequests::edit(QStringLiteral("Bob"), bob),
             QStringLiteral(";EDIT CONTACT;Bob;|Robert|||x|NUMBER|555-1234|NONE"));
    QCOMPARE(ContactRequests::remove(QStringLiteral("Robert")), QStringLiteral(";DELETE CONTACT;Robert"));
}

void TestContactForm::picturesLoadOnlyRegularFilesBelowTheCap()
{
    TempHome home;
    QImage red(4, 3, QImage::Format_RGB32);
    red.fill(Qt::red);
    const QString png = home.file(QStringLiteral("red.png"));
    QVERIFY(red.save(png));
    const QImage back = ContactPicture::load(png);
    QCOMPARE(back.size(), QSize(4, 3));
    QCOMPARE(back.pixelColor(0, 0), QColor(Qt::red));

    QVERIFY(ContactPicture::load(QString()).isNull());
    QVERIFY(ContactPicture::load(home.file(QStringLiteral("missing.png"))).isNull());
    QVERIFY(ContactPicture::load(home.path()).isNull()); // a folder

    // A pipe with no writer would block a reader for ever; a device never ends.
    const QString fifo = home.file(QStringLiteral("pipe.png"));
    QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QElapsedTimer t;
    t.start();
    QVERIFY(ContactPicture::load(fifo).isNull());
    QVERIFY(ContactPicture::load(QStringLiteral("/dev/zero")).isNull());
    QVERIFY(t.elapsed() < 2000);

    // A file above the cap is not read, whatever it holds.
    const QString big = home.file(QStringLiteral("big.png"));
    QFile::copy(png, big);
    QFile f(big);
    QVERIFY(f.resize(ContactPicture::MaxBytes + 1));
    QVERIFY(ContactPicture::load(big).isNull());
    // Not a picture at all.
    const QString text = home.file(QStringLiteral("notes.png"));
    QFile t2(text);
    QVERIFY(t2.open(QIODevice::WriteOnly));
    t2.write("hello");
    t2.close();
    QVERIFY(ContactPicture::load(text).isNull());

    QVERIFY(!ContactPicture::pathRefusal(QStringLiteral("/home/u/My Pictures/ann's.png")));
    for (const char* bad : {"/a;b.png", "/a|b.png", "/a\"b.png"})
        QVERIFY2(ContactPicture::pathRefusal(QString::fromLatin1(bad)), bad);
}

void TestContactForm::pictureFileDialog()
{
    const QString filter = ContactPicture::fileFilter();
    QVERIFY(filter.startsWith(QStringLiteral("All Picture Files (")));
    QVERIFY(filter.contains(QStringLiteral("*.bmp")));
    QVERIFY(filter.contains(QStringLiteral("*.dib")));
    QVERIFY(filter.contains(QStringLiteral("*.png")));
    QVERIFY(!filter.contains(QStringLiteral("*.bip")));
    QVERIFY(filter.endsWith(QStringLiteral(";;All Files (*)")));
}

void TestContactForm::openersStoreANewContactOrANumber()
{
    TempHome home;
    QVERIFY(CreateContactDB(home.file(QStringLiteral("dbContacts.mdb"))));

    // A cancelled dialog leaves a name or a number empty: nothing happens.
    QVERIFY(!ContactOpeners::CreateNew(QString(), QStringLiteral("555-1234"), QString(), QStringLiteral("t")));
    QVERIFY(!ContactOpeners::CreateNew(QStringLiteral("Ann"), QString(), QString(), QStringLiteral("t")));
    QCOMPARE(gContacts.count(), 0);

    QVERIFY(ContactOpeners::CreateNew(QStringLiteral("JOHN SMITH"), QStringLiteral("(212) 555-1234"), QString(),
                                      QStringLiteral("frmBaseMain_mnuEditCreateNew")));
    const auto john = GetContact(QStringLiteral("john smith"));
    QCOMPARE(john->Name, QStringLiteral("JOHN SMITH"));
    QCOMPARE(john->Numbers.count(), 1);
    QCOMPARE(john->Numbers.at(0)->Number, QStringLiteral("(212) 555-1234"));
    QVERIFY(john->AttributeGroup.isEmpty() && john->ImageFile.isEmpty() && john->OtherInfo.isEmpty());

    QVERIFY(ContactOpeners::AddNumberTo(QStringLiteral("JOHN SMITH"), QStringLiteral("555-0000"),
                                        QStringLiteral("Work"), QStringLiteral("frmBaseMain_mnuEditAddToCurrent")));
    const auto after = GetContact(QStringLiteral("JOHN SMITH"));
    QCOMPARE(after->Numbers.count(), 2);
    QCOMPARE(after->Numbers.at(1)->PrintNumberDescription(), QStringLiteral("555-0000 (Work)"));
    clsCaller call;
    MatchCallerToContact(QStringLiteral("555-0000"), call);
    QCOMPARE(call.ContactName, QStringLiteral("JOHN SMITH"));
    QVERIFY(Prompt::history().isEmpty());

    // The store refuses a second "John Smith": the user sees why.
    QVERIFY(!ContactOpeners::CreateNew(QStringLiteral("John Smith"), QStringLiteral("555-7777"), QString(),
                                       QStringLiteral("frmBaseMain_mnuEditCreateNew")));
    QCOMPARE(Prompt::history().size(), 1);
    QCOMPARE(Prompt::history().first().text,
             QStringLiteral("Cannot perform operation.\r\nError #1: Duplicate names in database.\r\nSource: Velquon"));
    QCOMPARE(gContacts.count(), 1);
}

void TestContactForm::openersChangeNothingInMemoryOnRefusal()
{
    TempHome home;
    QVERIFY(CreateContactDB(home.file(QStringLiteral("dbContacts.mdb"))));
    QVERIFY(AddContact(contact(QStringLiteral("Ann"), {number("555-1111")})));
    QVERIFY(AddContact(contact(QStringLiteral("Bob"), {number("555-2222")})));
    const auto ann = GetContact(QStringLiteral("Ann"));

    // Bob's number added to Ann: error 2, shown; the contact Ann keeps its numbers, in memory too.
    QVERIFY(!ContactOpeners::AddNumberTo(QStringLiteral("Ann"), QStringLiteral("555-2222"), QString(),
                                         QStringLiteral("frmMiniDisplay_mnuPopupAddToCurrent")));
    QCOMPARE(gErrNumber, kDuplicateNumberError);
    QCOMPARE(Prompt::history().size(), 1);
    QVERIFY(Prompt::history().first().text.contains(
        QStringLiteral("Error #2: 555-2222 was found to be a duplicate numbers in the database.")));
    QCOMPARE(ann->Numbers.count(), 1);
    QCOMPARE(GetContact(QStringLiteral("Ann"))->Numbers.count(), 1);

    // The number Ann shows already with the same description: nothing is stored, nothing shown.
    Prompt::clearHistory();
    QVERIFY(!ContactOpeners::AddNumberTo(QStringLiteral("Ann"), QStringLiteral("555-1111"), QStringLiteral("NONE"),
                                         QStringLiteral("tag")));
    QCOMPARE(lastReportedTag(), QStringLiteral("tag"));
    QVERIFY(Prompt::history().isEmpty());
    QCOMPARE(ann->Numbers.count(), 1);

    // A contact that is not there any more (chosen in a dialog, removed elsewhere while it waited): the user
    // is told, and nobody gets the number.
    QVERIFY(!ContactOpeners::AddNumberTo(QStringLiteral("Zoe"), QStringLiteral("555-3333"), QString(),
                                         QStringLiteral("tag")));
    QCOMPARE(gContacts.count(), 2);
    QCOMPARE(Prompt::history().size(), 1);
    QCOMPARE(Prompt::history().last().text, QStringLiteral("The contact \"Zoe\" was changed or removed while this "
                                                           "window waited; nothing was changed."));
    QCOMPARE(Prompt::history().last().icon, int(Prompt::Exclamation));
}

void TestContactForm::openersInClientModeOnlySend()
{
    TempHome home;
    gNetworkMode = Client;
    auto stored = std::make_shared<clsContact>(contact(QStringLiteral("Ann"), {number("555-1111")}));
    gContacts.add(stored->Name, stored);
    QStringList sent;
    const auto sender = [&](const QString& text) { sent << text; };
    QVERIFY(ContactOpeners::CreateNew(QStringLiteral("Bob"), QStringLiteral("555-2222"), QStringLiteral("Home"),
                                      QStringLiteral("t"), sender));
    QVERIFY(ContactOpeners::AddNumberTo(QStringLiteral("ann"), QStringLiteral("555-3333"), QStringLiteral("Work"),
                                        QStringLiteral("t"), sender));
    QCOMPARE(sent, QStringList({";ADD CONTACT;|Bob||||NUMBER|555-2222|Home",
                                ";EDIT CONTACT;Ann;|Ann||||NUMBER|555-1111|NONE|NUMBER|555-3333|Work"}));
    // The client's copy changes only when the server sends the book back.
    QCOMPARE(gContacts.count(), 1);
    QCOMPARE(stored->Numbers.count(), 1);
    // Without a sender and without a connection the request is dropped; nothing breaks.
    QVERIFY(
        ContactOpeners::CreateNew(QStringLiteral("Cy"), QStringLiteral("555-4444"), QString(), QStringLiteral("t")));
}

void TestContactForm::countsOfTheContactFile()
{
    TempHome home;
    QCOMPARE(CountContacts().contacts, 0); // no file
    QVERIFY(CreateContactDB(home.file(QStringLiteral("dbContacts.mdb"))));
    QCOMPARE(contactDatabaseName(), home.file(QStringLiteral("dbContacts.mdb")));
    QVERIFY(AddContact(contact(QStringLiteral("Ann"), {number("555-1111"), number("555-1112")})));
    QVERIFY(AddContact(contact(QStringLiteral("Bob"), {number("555-2222")})));
    const ContactCounts counts = CountContacts();
    QCOMPARE(counts.contacts, 2);
    QCOMPARE(counts.numbers, 3);
    gNetworkMode = Client;
    QCOMPARE(CountContacts().contacts, 0);
}

QTEST_GUILESS_MAIN(TestContactForm)
#include "test_contactform.moc"

#include <QTest>

#include "contacts/FormSnapshot.h"

// What the contact book's commands decide once a question or a dialog has waited on the user, without a
// window: which contact a save writes, whether a removal still has its contact, where an edited number line
// is, and whether the form still belongs to the contact a command began on.
class TestFormSnapshot : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void saveWritesTheContactTheFormBeganWith();
    void removalAndLinesAreFoundAgainByTheirKeys();
    void aNewContactStaysItselfOnceTheServerStoredIt();

private:
    static std::shared_ptr<clsContact> contact(const QString& name, const QStringList& numbers);
    // The form showing a stored contact, unchanged.
    static FormSnapshot showing(const clsContact& stored);
    KeyedCollection<clsContact> book;
};

std::shared_ptr<clsContact> TestFormSnapshot::contact(const QString& name, const QStringList& numbers)
{
    auto c = std::make_shared<clsContact>();
    c->Name = name;
    for (const QString& n : numbers)
        c->AddNumber(std::make_shared<clsNumber>(n, QString()));
    return c;
}

FormSnapshot TestFormSnapshot::showing(const clsContact& stored)
{
    FormSnapshot s;
    s.storedName = stored.Name;
    s.mode = ContactMode::Viewing;
    s.stored = stored;
    s.fields.name = stored.Name;
    s.fields.groupText = QStringLiteral("<none>");
    s.fields.numbers = stored.Numbers.items();
    s.contactSelected = true;
    return s;
}

void TestFormSnapshot::init()
{
    book = KeyedCollection<clsContact>();
    for (const auto& c : {contact(QStringLiteral("Abe"), {QStringLiteral("555-0001")}),
                          contact(QStringLiteral("Ann"), {QStringLiteral("555-0101"), QStringLiteral("555-0102")})})
        book.add(c->Name, c);
}

void TestFormSnapshot::saveWritesTheContactTheFormBeganWith()
{
    FormSnapshot form = showing(*book.item(QStringLiteral("Ann")));
    QCOMPARE(ContactCommand::decideSave(form, book).kind, ContactCommand::SaveDecision::Unchanged);

    // Edited: the change replaces the stored name the form began with, and is cleaned as it is stored.
    form.mode = ContactMode::Editing;
    form.fields.name = QStringLiteral("Ann'e");
    form.fields.otherInfo = QStringLiteral("it's");
    auto d = ContactCommand::decideSave(form, book);
    QCOMPARE(d.kind, ContactCommand::SaveDecision::Edit);
    QCOMPARE(d.storedName, QStringLiteral("Ann"));
    QCOMPARE(d.record.PrintSend(), QStringLiteral("|Anne|||its|NUMBER|555-0101|NONE|NUMBER|555-0102|NONE"));

    // Renamed elsewhere while the edits stayed: never written over another contact; the user is asked.
    book.remove(QStringLiteral("Ann"));
    book.add(QStringLiteral("Anne"), contact(QStringLiteral("Anne"), {QStringLiteral("555-0101")}));
    d = ContactCommand::decideSave(form, book);
    QCOMPARE(d.kind, ContactCommand::SaveDecision::NotStored);
    QCOMPARE(d.text, QStringLiteral("The contact \"Ann\" is no longer stored under that name: it was renamed or "
                                    "removed elsewhere. Do you want to add it as a new contact?"));
    QCOMPARE(d.record.Name, QStringLiteral("Anne"));
    // Renamed only in its capitals, it is the same contact.
    book.add(QStringLiteral("ANN"), contact(QStringLiteral("ANN"), {QStringLiteral("555-0102")}));
    QCOMPARE(ContactCommand::decideSave(form, book).kind, ContactCommand::SaveDecision::Edit);

    // The checks come first, on what would be stored.
    form.fields.name = QStringLiteral("''");
    QCOMPARE(ContactCommand::decideSave(form, book).text, QStringLiteral("You must enter a contact name."));

    // A form that shows no stored contact can only be added, whatever its mode: never a change of "".
    FormSnapshot fresh;
    fresh.mode = ContactMode::Editing;
    fresh.fields.name = QStringLiteral("Cy");
    fresh.fields.numbers = {std::make_shared<clsNumber>(QStringLiteral("555-0003"), QString())};
    QCOMPARE(ContactCommand::decideSave(fresh, book).kind, ContactCommand::SaveDecision::Add);
}

void TestFormSnapshot::removalAndLinesAreFoundAgainByTheirKeys()
{
    const FormSnapshot ann = showing(*book.item(QStringLiteral("Ann")));
    // A contact inserted before Ann changes nothing: the name, not a position, is removed.
    book.add(QStringLiteral("Aaron"), contact(QStringLiteral("Aaron"), {QStringLiteral("555-0000")}));
    auto removal = ContactCommand::decideRemove(ann, book);
    QCOMPARE(removal.kind, ContactCommand::RemoveDecision::Remove);
    QCOMPARE(removal.name, QStringLiteral("Ann"));

    // Re-shown after a change elsewhere: new lines, the edited one now second of three.
    const QStringList reshown{QStringLiteral("555-0100"), QStringLiteral("555-0102"), QStringLiteral("555-0101")};
    auto line = ContactCommand::findLine(ann, ann, reshown, QStringLiteral("555-0102"));
    QCOMPARE(line.kind, ContactCommand::LineDecision::Apply);
    QCOMPARE(line.row, 1);
    line = ContactCommand::findLine(ann, ann, {QStringLiteral("555-0101")}, QStringLiteral("555-0102"));
    QCOMPARE(line.kind, ContactCommand::LineDecision::LineGone);
    QCOMPARE(line.text, QStringLiteral("The number \"555-0102\" was changed or removed while this window waited; "
                                       "nothing was changed."));
    // The form moved on to another contact: the line of Ann is nowhere.
    line =
        ContactCommand::findLine(ann, showing(*book.item(QStringLiteral("Abe"))), reshown, QStringLiteral("555-0102"));
    QCOMPARE(line.kind, ContactCommand::LineDecision::ContactGone);

    book.remove(QStringLiteral("Ann"));
    removal = ContactCommand::decideRemove(ann, book);
    QCOMPARE(removal.kind, ContactCommand::RemoveDecision::Gone);
    QCOMPARE(
        removal.text,
        QStringLiteral("The contact \"Ann\" was changed or removed while this window waited; nothing was changed."));
    // Nothing highlighted, or no stored contact shown: nothing to remove.
    FormSnapshot none = ann;
    none.contactSelected = false;
    QCOMPARE(ContactCommand::decideRemove(none, book).text, QStringLiteral("You must select a contact to remove."));
    FormSnapshot adding;
    adding.contactSelected = true;
    QCOMPARE(ContactCommand::decideRemove(adding, book).kind, ContactCommand::RemoveDecision::NothingChosen);
}

void TestFormSnapshot::aNewContactStaysItselfOnceTheServerStoredIt()
{
    FormSnapshot began;
    began.mode = ContactMode::Adding;
    began.fields.name = QStringLiteral("O'Neil");
    // The server's echo of the client's own add: the stored contact of the cleaned name, in any capitals.
    QVERIFY(ContactCommand::sameContact(began, showing(*contact(QStringLiteral("ONEIL"), {}))));
    QVERIFY(!ContactCommand::sameContact(began, showing(*book.item(QStringLiteral("Abe")))));
    // A form that showed nothing and now shows a contact is not the same form.
    FormSnapshot empty;
    QVERIFY(!ContactCommand::sameContact(empty, showing(*book.item(QStringLiteral("Abe")))));
    QCOMPARE(ContactCommand::goneMessage(ContactCommand::contactName(empty)),
             QStringLiteral("The contact book was changed while this window waited; nothing was changed."));
    // A stored contact stays itself in other capitals, not under another name.
    const FormSnapshot ann = showing(*book.item(QStringLiteral("Ann")));
    QVERIFY(ContactCommand::sameContact(ann, showing(*contact(QStringLiteral("ANN"), {}))));
    QVERIFY(!ContactCommand::sameContact(ann, showing(*contact(QStringLiteral("Anne"), {}))));
}

QTEST_GUILESS_MAIN(TestFormSnapshot)
#include "test_formsnapshot.moc"

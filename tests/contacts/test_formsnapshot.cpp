#include <QTest>

#include "contacts/FormSnapshot.h"

// What the contact book's commands decide once a question or a dialog has waited on the user, without a
// window: which contact a save writes, whether it may still be removed, where an edited number line is, and
// whether the form still belongs to the contact a command began on.
class TestFormSnapshot : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void saveWritesTheContactTheFormBeganWith();
    void aContactRenamedElsewhereIsOfferedAsNew();
    void removalLooksTheNameUpAgain();
    void aNumberLineIsFoundByItsText();
    void aNewContactStaysItselfOnceTheServerStoredIt();
    void recordsFromPeersAreCleanedAsTypedOnesAre();

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
    s.fields.otherInfo = stored.OtherInfo;
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

    // Edited: the stored name the form began with is what the change replaces, cleaned as it is stored.
    form.mode = ContactMode::Editing;
    form.fields.name = QStringLiteral("Ann'e");
    form.fields.otherInfo = QStringLiteral("it's");
    auto d = ContactCommand::decideSave(form, book);
    QCOMPARE(d.kind, ContactCommand::SaveDecision::Edit);
    QCOMPARE(d.storedName, QStringLiteral("Ann"));
    QCOMPARE(d.record.PrintSend(), QStringLiteral("|Anne|||its|NUMBER|555-0101|NONE|NUMBER|555-0102|NONE"));

    // The checks come first, on what would be stored.
    form.fields.name = QStringLiteral("''");
    d = ContactCommand::decideSave(form, book);
    QCOMPARE(d.kind, ContactCommand::SaveDecision::Refused);
    QCOMPARE(d.text, QStringLiteral("You must enter a contact name."));

    // A form that shows no stored contact can only be added, whatever its mode says: it is never sent to a
    // change of a contact named "".
    FormSnapshot fresh;
    fresh.mode = ContactMode::Editing;
    fresh.fields.name = QStringLiteral("Cy");
    fresh.fields.numbers = {std::make_shared<clsNumber>(QStringLiteral("555-0003"), QString())};
    d = ContactCommand::decideSave(fresh, book);
    QCOMPARE(d.kind, ContactCommand::SaveDecision::Add);
    QCOMPARE(d.record.Name, QStringLiteral("Cy"));
}

void TestFormSnapshot::aContactRenamedElsewhereIsOfferedAsNew()
{
    FormSnapshot form = showing(*book.item(QStringLiteral("Ann")));
    form.mode = ContactMode::Editing;
    form.fields.otherInfo = QStringLiteral("kept");
    // Another user renames Ann to Anne: the book is rebuilt, the form keeps its edits.
    auto anne = contact(QStringLiteral("Anne"), {QStringLiteral("555-0101"), QStringLiteral("555-0102")});
    book.remove(QStringLiteral("Ann"));
    book.add(anne->Name, anne);
    const auto d = ContactCommand::decideSave(form, book);
    QCOMPARE(d.kind, ContactCommand::SaveDecision::NotStored);
    QCOMPARE(d.text, QStringLiteral("The contact \"Ann\" is no longer stored under that name: it was renamed or "
                                    "removed elsewhere. Do you want to add it as a new contact?"));
    QCOMPARE(d.record.Name, QStringLiteral("Ann"));
    QCOMPARE(d.record.OtherInfo, QStringLiteral("kept"));

    // Renamed only in its capitals, it is the same contact.
    book.remove(QStringLiteral("Anne"));
    book.add(QStringLiteral("ANN"), contact(QStringLiteral("ANN"), {QStringLiteral("555-0101")}));
    QCOMPARE(ContactCommand::decideSave(form, book).kind, ContactCommand::SaveDecision::Edit);
}

void TestFormSnapshot::removalLooksTheNameUpAgain()
{
    FormSnapshot form = showing(*book.item(QStringLiteral("Ann")));
    auto d = ContactCommand::decideRemove(form, book);
    QCOMPARE(d.kind, ContactCommand::RemoveDecision::Remove);
    QCOMPARE(d.name, QStringLiteral("Ann"));

    // A contact inserted before it changes nothing: the name, not a position, is removed.
    book.add(QStringLiteral("Aaron"), contact(QStringLiteral("Aaron"), {QStringLiteral("555-0000")}));
    QCOMPARE(ContactCommand::decideRemove(form, book).name, QStringLiteral("Ann"));

    book.remove(QStringLiteral("Ann"));
    d = ContactCommand::decideRemove(form, book);
    QCOMPARE(d.kind, ContactCommand::RemoveDecision::Gone);
    QCOMPARE(d.text, QStringLiteral(
                         "The contact \"Ann\" was changed or removed while this window waited; nothing was changed."));

    // Nothing highlighted, or a form that shows no stored contact: nothing to remove.
    form.contactSelected = false;
    QCOMPARE(ContactCommand::decideRemove(form, book).kind, ContactCommand::RemoveDecision::NothingChosen);
    FormSnapshot adding;
    adding.contactSelected = true;
    adding.mode = ContactMode::Adding;
    d = ContactCommand::decideRemove(adding, book);
    QCOMPARE(d.kind, ContactCommand::RemoveDecision::NothingChosen);
    QCOMPARE(d.text, QStringLiteral("You must select a contact to remove."));
}

void TestFormSnapshot::aNumberLineIsFoundByItsText()
{
    const FormSnapshot began = showing(*book.item(QStringLiteral("Ann")));
    // Re-shown after a change elsewhere: new lines, the edited one now second of three.
    FormSnapshot now = began;
    auto d = ContactCommand::findLine(
        began, now, {QStringLiteral("555-0100"), QStringLiteral("555-0102"), QStringLiteral("555-0101")},
        QStringLiteral("555-0102"));
    QCOMPARE(d.kind, ContactCommand::LineDecision::Apply);
    QCOMPARE(d.row, 1);

    d = ContactCommand::findLine(began, now, {QStringLiteral("555-0101")}, QStringLiteral("555-0102"));
    QCOMPARE(d.kind, ContactCommand::LineDecision::LineGone);
    QCOMPARE(d.text,
             QStringLiteral(
                 "The number \"555-0102\" was changed or removed while this window waited; nothing was changed."));

    // The form now shows another contact (the one it began on was renamed or removed): nothing is edited.
    now = showing(*book.item(QStringLiteral("Abe")));
    d = ContactCommand::findLine(began, now, {QStringLiteral("555-0102")}, QStringLiteral("555-0102"));
    QCOMPARE(d.kind, ContactCommand::LineDecision::ContactGone);
    QVERIFY(d.text.startsWith(QStringLiteral("The contact \"Ann\" was changed or removed")));
}

void TestFormSnapshot::aNewContactStaysItselfOnceTheServerStoredIt()
{
    FormSnapshot began;
    began.mode = ContactMode::Adding;
    began.fields.name = QStringLiteral("O'Neil");
    QVERIFY(ContactCommand::sameContact(began, began));
    // The server's echo of the client's own add: the form shows the stored contact of the cleaned name.
    FormSnapshot echoed = showing(*contact(QStringLiteral("ONEIL"), {QStringLiteral("555-0009")}));
    QVERIFY(ContactCommand::sameContact(began, echoed));
    // Any other contact is not it; nor is a form that showed nothing and now shows a contact.
    QVERIFY(!ContactCommand::sameContact(began, showing(*book.item(QStringLiteral("Abe")))));
    FormSnapshot empty;
    QVERIFY(!ContactCommand::sameContact(empty, showing(*book.item(QStringLiteral("Abe")))));
    QCOMPARE(ContactCommand::goneMessage(ContactCommand::contactName(empty)),
             QStringLiteral("The contact book was changed while this window waited; nothing was changed."));
    QCOMPARE(ContactCommand::contactName(began), QStringLiteral("ONeil"));
    // A stored contact stays itself in other capitals, not under another name.
    const FormSnapshot ann = showing(*book.item(QStringLiteral("Ann")));
    QVERIFY(ContactCommand::sameContact(ann, showing(*contact(QStringLiteral("ANN"), {}))));
    QVERIFY(!ContactCommand::sameContact(ann, showing(*contact(QStringLiteral("Anne"), {}))));
}

void TestFormSnapshot::recordsFromPeersAreCleanedAsTypedOnesAre()
{
    clsContact received;
    received.BuildContact(QStringLiteral("|O'Brien|VIP Callers|/pics/o'b.png|it's // here|NUMBER|555-0101|Ho'me"));
    QVERIFY(!received.BadData());
    const clsContact stored = cleanedRecord(received);
    // The group and the picture path are the peer's own copies of what it was given: kept.
    QCOMPARE(stored.PrintSend(), QStringLiteral("|OBrien|VIP Callers|/pics/o'b.png|its  here|NUMBER|555-0101|Home"));

    ContactFields typed;
    typed.name = QStringLiteral("O'Neil");
    typed.otherInfo = QStringLiteral("a;b");
    const ContactFields cleaned = cleanedFields(typed);
    QCOMPARE(cleaned.name, QStringLiteral("ONeil"));
    QCOMPARE(cleaned.otherInfo, QStringLiteral("ab"));
}

QTEST_GUILESS_MAIN(TestFormSnapshot)
#include "test_formsnapshot.moc"

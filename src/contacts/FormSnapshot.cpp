#include "contacts/FormSnapshot.h"

namespace ContactCommand {

namespace {

const QString Meanwhile = QStringLiteral(" was changed or removed while this window waited; nothing was changed.");

QString quoted(const QString& text) { return QLatin1Char('"') + text + QLatin1Char('"'); }

} // namespace

bool sameName(const QString& a, const QString& b) { return a.toCaseFolded() == b.toCaseFolded(); }

QString goneMessage(const QString& contactName)
{
    // A new contact nobody has named yet: the book itself changed.
    if (contactName.isEmpty())
        return QStringLiteral("The contact book was changed while this window waited; nothing was changed.");
    return QStringLiteral("The contact ") + quoted(contactName) + Meanwhile;
}

QString groupGoneMessage(const QString& description)
{
    return QStringLiteral("The attribute group ") + quoted(description) + Meanwhile;
}

QString numberGoneMessage(const QString& line) { return QStringLiteral("The number ") + quoted(line) + Meanwhile; }

QString notStoredQuestion(const QString& contactName)
{
    return QStringLiteral("The contact ") + quoted(contactName) +
           QStringLiteral(" is no longer stored under that name: it was renamed or removed elsewhere. Do you want "
                          "to add it as a new contact?");
}

QString contactName(const FormSnapshot& form) { return form.storedName.isEmpty() ? form.typedName() : form.storedName; }

bool sameContact(const FormSnapshot& began, const FormSnapshot& now)
{
    if (!began.storedName.isEmpty())
        return sameName(now.storedName, began.storedName);
    if (now.storedName.isEmpty())
        return true;
    // The new contact came back from the server (a client's own add): it is still the one typed.
    return began.mode == ContactMode::Adding && !began.typedName().isEmpty() &&
           sameName(now.storedName, began.typedName());
}

SaveDecision decideSave(const FormSnapshot& form, const KeyedCollection<clsContact>& contacts)
{
    SaveDecision d;
    if (const auto refusal = saveRefusal(form.fields.name, int(form.fields.numbers.size()))) {
        d.kind = SaveDecision::Refused;
        d.text = *refusal;
        return d;
    }
    if (!form.changed()) {
        d.kind = SaveDecision::Unchanged;
        return d;
    }
    d.record = buildRecord(form.fields, form.stored, form.client);
    if (form.mode == ContactMode::Adding || form.storedName.isEmpty()) {
        d.kind = SaveDecision::Add;
        return d;
    }
    d.storedName = form.storedName;
    if (!contacts.contains(form.storedName)) {
        d.kind = SaveDecision::NotStored;
        d.text = notStoredQuestion(form.storedName);
        return d;
    }
    d.kind = SaveDecision::Edit;
    return d;
}

RemoveDecision decideRemove(const FormSnapshot& form, const KeyedCollection<clsContact>& contacts)
{
    RemoveDecision d;
    if (!form.contactSelected || form.storedName.isEmpty()) {
        d.kind = RemoveDecision::NothingChosen;
        d.text = QStringLiteral("You must select a contact to remove.");
        return d;
    }
    d.name = form.storedName;
    if (!contacts.contains(form.storedName)) {
        d.kind = RemoveDecision::Gone;
        d.text = goneMessage(form.storedName);
        return d;
    }
    d.kind = RemoveDecision::Remove;
    return d;
}

LineDecision findLine(const FormSnapshot& began, const FormSnapshot& now, const QStringList& lines,
                      const QString& lineText)
{
    LineDecision d;
    if (!sameContact(began, now)) {
        d.kind = LineDecision::ContactGone;
        d.text = goneMessage(contactName(began));
        return d;
    }
    d.row = int(lines.indexOf(lineText));
    if (d.row < 0) {
        d.kind = LineDecision::LineGone;
        d.text = numberGoneMessage(lineText);
        return d;
    }
    d.kind = LineDecision::Apply;
    return d;
}

} // namespace ContactCommand

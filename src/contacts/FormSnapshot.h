#pragma once

#include <QString>
#include <QStringList>

#include "contacts/ContactForm.h"
#include "core/KeyedCollection.h"
#include "core/clsContact.h"

// What a command of the contact book acts on, taken before it waits on the user. A dialog or a question box
// runs the event loop: meanwhile another client's change, the server's push or a group change may refill
// the views, re-show the form or take the contact away. A command therefore keeps keys (the contact's name
// as the form began showing it, a number line's text), never a list item, a row or a stored record, and
// after the wait looks its record up again by them. The decisions are made here, without the window: the
// window takes the snapshot, asks, and carries out what is decided.
struct FormSnapshot {
    QString storedName;           // the stored contact the form shows, by its name; empty for none (adding)
    QString mode;                 // the window's mode (strState)
    ContactFields fields;         // what is typed, and the working numbers in their order
    clsContact stored;            // the stored contact as the form shows it (what a change is measured against)
    bool client = false;          // client mode: the server stores, this copy only sends
    bool contactSelected = false; // the visible view highlights a contact

    // The form differs from the stored contact (the save question is asked).
    bool changed() const { return formDiffers(fields, stored, client); }
    // The name the contact would be stored under.
    QString typedName() const { return cleanedName(fields.name); }
};

namespace ContactCommand {

// The record's name compared as the book compares names: capitals ignored.
bool sameName(const QString& a, const QString& b);

// What a command says when the record it began on went while it waited; nothing was changed.
QString goneMessage(const QString& contactName);
QString groupGoneMessage(const QString& description);
QString numberGoneMessage(const QString& line);
// The question of a save whose contact is no longer stored under the name the form began with.
QString notStoredQuestion(const QString& contactName);

// The name a message gives the contact a form is about: the stored one, else the one typed for a new one.
QString contactName(const FormSnapshot& form);

// The form still belongs to the contact the command began on: the same stored contact (re-shown or kept),
// or the new contact being added, also once the server has stored it under the typed name.
bool sameContact(const FormSnapshot& began, const FormSnapshot& now);

struct SaveDecision {
    enum Kind {
        Refused,   // a check refused the form: text says why
        Unchanged, // nothing differs from the stored contact: nothing is done
        Add,       // the record is stored (or sent) as a new contact
        Edit,      // the record replaces the contact stored under storedName
        NotStored, // the contact is no longer stored under storedName: text asks to add the record as new
    };
    Kind kind = Unchanged;
    QString text;
    clsContact record;
    QString storedName;
};
// What saving the form does. A form that shows no stored contact can only be added; one whose contact went
// (renamed or removed elsewhere while its edits stayed on the form) is never written over another contact,
// nor its numbers taken for another's.
SaveDecision decideSave(const FormSnapshot& form, const KeyedCollection<clsContact>& contacts);

struct RemoveDecision {
    enum Kind {
        NothingChosen, // text: "You must select a contact to remove."
        Remove,        // name: the contact to remove
        Gone,          // text: the contact went meanwhile
    };
    Kind kind = NothingChosen;
    QString name;
    QString text;
};
// What removing the form's contact does, asked before the question and again after it.
RemoveDecision decideRemove(const FormSnapshot& form, const KeyedCollection<clsContact>& contacts);

struct LineDecision {
    enum Kind { Apply, ContactGone, LineGone };
    Kind kind = Apply;
    int row = -1; // Apply: the line's row now
    QString text; // otherwise: what is said
};
// Where the number line a command began on (by its text) is now, in the lines the form shows.
LineDecision findLine(const FormSnapshot& began, const FormSnapshot& now, const QStringList& lines,
                      const QString& lineText);

} // namespace ContactCommand

#pragma once

#include <QList>
#include <QString>

#include <memory>
#include <optional>

#include "core/clsContact.h"
#include "core/clsNumber.h"

// What the contact book window decides without its widgets: the modes and their status texts, whether the
// form differs from the stored contact, what a save refuses, and the record it stores or sends.

namespace ContactMode {
// The window's mode (strState); an empty text is the empty mode: no contact shown.
inline const QString Empty;
inline const QString Loading = QStringLiteral("loading");
inline const QString Viewing = QStringLiteral("viewing");
inline const QString Editing = QStringLiteral("editing");
inline const QString Adding = QStringLiteral("adding");
inline const QString Saving = QStringLiteral("saving");

struct Change {
    QString mode;
    // The edit began while nothing was shown: a new contact is begun and both views lose their selection.
    bool beginsNewContact = false;
};
// The mode after SetState(requested) in mode current. Asking for "editing" is an edit: it begins a new
// contact in the empty mode, leaves "adding" and "loading" alone and is "editing" otherwise; any other
// request is taken as it is. Mode texts compare exactly.
Change next(const QString& current, const QString& requested);

// The status panel's text for a mode, or nothing when the panel keeps its text (the texts that name the
// contact file cannot be formed in client mode, which has none).
std::optional<QString> statusText(const QString& mode, const QString& contactName, const QString& databaseName,
                                  bool client);
} // namespace ContactMode

// The form as the window shows it.
struct ContactFields {
    QString name;                              // the name box as typed
    QString groupText;                         // the group box's text ("<none>" for none)
    QString imageFile;                         // the working picture path
    QString otherInfo;                         // the other-information box as typed
    QList<std::shared_ptr<clsNumber>> numbers; // the working numbers, in order
};

// The group box's text as a contact's group: "<none>" (any capitals) is no group.
QString groupFromBoxText(const QString& text);

// True when the form differs from the stored contact (CheckChange): name, number count, group, picture,
// other information, then each working number that none of the stored ones shows the same way. Client
// mode compares no group and no picture (it shows neither).
bool formDiffers(const ContactFields& fields, const clsContact& stored, bool client);

// The name as it is stored: the typed text without "//", ";", "|" and "'".
QString cleanedName(const QString& typed);
// Contact names that read as a number are refused (a telephone number typed into the name box).
bool isNumericName(const QString& name);
// Why a save is refused before anything is compared, in the order the window checks: no name (also a name
// made only of removed characters), no number, a numeric name. The checks look at the cleaned name, which
// is what would be stored. Nothing when the form may be saved.
std::optional<QString> saveRefusal(const QString& typedName, int numberCount);

// The record a save stores or sends: the cleaned name and other information, the working numbers (the same
// objects), the group and picture of the form, or in client mode the stored contact's (its window hides
// them).
clsContact buildRecord(const ContactFields& fields, const clsContact& stored, bool client);

// The fields with the name and other information as a save would store them (a server's echo of the form
// comes back cleaned: "O'Neil" is found as "ONeil").
ContactFields cleanedFields(const ContactFields& fields);
// A record that comes from elsewhere (a client's request) as the book's own window stores one: without
// control characters, and the name, the other information and the numbers' texts without "//", ";", "|"
// and "'". The group and the picture path are otherwise kept as they are: a client sends back the ones it
// was given.
clsContact cleanedRecord(const clsContact& record);
// A contact record that came over the network without its control characters (escape sequences, bells, NUL),
// as the modem's lines lose theirs; the other information keeps its line breaks and tabs.
clsContact withoutControlCharacters(const clsContact& record);

// The client's requests to its server about contacts.
namespace ContactRequests {
// ";ADD CONTACT;" and the record's text form.
QString add(const clsContact& record);
// ";EDIT CONTACT;" the stored name, ";" and the record's text form.
QString edit(const QString& storedName, const clsContact& record);
// ";DELETE CONTACT;" and the name.
QString remove(const QString& name);
} // namespace ContactRequests

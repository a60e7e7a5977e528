#pragma once

#include "core/KeyedCollection.h"
#include "core/clsNumber.h"

#include <QString>

// One contact of the contact book. Numbers are keyed by their display text (PrintNumberDescription), in
// the order they were added.
class clsContact {
public:
    QString Name; // unique; the key of the contact collection
    KeyedCollection<clsNumber> Numbers;
    QString AttributeGroup; // a group's Description, empty for none
    QString ImageFile;
    QString OtherInfo;

    bool BadData() const { return m_badData; }

    // Adds a number under its display text; false (nothing added) when that number is there already.
    bool AddNumber(std::shared_ptr<clsNumber> number);

    // |name|group|image|other information, then every number's |NUMBER|number|description.
    QString PrintSend() const;
    // Fills the contact from a PrintSend text, appending its numbers.
    void BuildContact(const QString& text);

private:
    bool m_badData = false;
};

#pragma once

#include <QString>

// A named set of call attributes a contact can belong to: display colour, block flag and sound.
class clsAttributeGroup {
public:
    QString Description; // unique; the key of gAttributeGroups (case ignored)
    qint32 Color = 0;    // blue-green-red, red in the low byte
    bool Block = false;  // every call of the group's contacts is blocked
    QString Sound;       // a wave file path, "Speech", or empty

    // Set when Build could not read its text; never cleared.
    bool BadData() const { return m_badData; }

    // |description|colour|True or False|sound|
    QString PrintSend() const;
    // Fills the record from a PrintSend text. The colour is the field's leading number; the block flag
    // must be a truth value. Stops at the first field it cannot read and sets BadData; reports nothing.
    void Build(const QString& text);

private:
    bool m_badData = false;
};

#pragma once

#include "core/clsNumber.h"

#include <QString>

// One call. ID is the call log's row key and, like Rings, 32-bit: the call log's keys pass 32767.
class clsCaller {
public:
    qint32 ID = 0;
    QString Name; // as reported by the telephone line
    clsNumber Number;
    QString CallerDate; // date and time of the call, in the general date text form
    qint32 Rings = 0;
    QString Answered;       // "N/A", "YES", "NO" or "BLOCKED"
    QString ContactName;    // the matched contact's name, empty when none
    QString AttributeGroup; // the matched contact's group, empty when none

    // Set when BuildCaller could not read its text; never cleared.
    bool BadData() const { return m_badData; }

    // The contact's name (with the number's description) when a contact matched, else the line's name.
    QString PrintNameDescription() const;
    QString PrintNumberDescription() const { return Number.PrintNumberDescription(); }
    // |ID|name|NUMBER|number|description|date|rings|contact|group|answered|
    QString PrintSend() const;
    // Fills the record from a PrintSend text; stops at the first field it cannot read and sets BadData. A
    // number beyond 32 bits is also shown in the error report, unless the text came from a peer: a peer's
    // bad record is only kept (SaveError) for the caller to count, never put in front of this user.
    void BuildCaller(const QString& text, bool fromPeer = false);

private:
    bool m_badData = false;
};

#pragma once

#include <QString>

// A named set of calls: a condition on tblCID. A plain record, values kept exactly as given.
class clsGroup {
public:
    bool Custom = false;  // made by the user: written to the statistics file
    bool Saved = false;   // carried for completeness; nothing sets or reads it
    bool Default = false; // the built-in and per-contact groups
    QString Group;        // condition in the program's query dialect; empty for every call
    QString Description;  // the name shown, and the key in every collection
};

#pragma once

#include <QString>

// A named set of calls: a condition on tblCID.
class clsGroup {
public:
    bool Custom = false;
    bool Saved = false;
    bool Default = false;
    QString Group; // condition, empty for every call
    QString Description;
};

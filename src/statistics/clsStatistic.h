#pragma once

#include <QString>

// A named computation over the call log: a condition on tblCID and a computation kind. A plain record: the
// values are kept exactly as given (no trimming, no case change); the evaluation reads Style upper-cased.
class clsStatistic {
public:
    QString Style;        // "", "NONE" (count the matching calls) or a built-in style such as "MOST RINGS"
    bool Custom = false;  // made by the user: written to the statistics file, editable
    bool Default = false; // part of the default selection of the statistics window
    QString Statistic;    // condition in the program's query dialect; empty for every call of the group
    QString Description;  // the name shown, and the key in every collection
};

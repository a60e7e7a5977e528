#pragma once

#include <QString>

// A named computation over the call log: a condition on tblCID and a computation kind (Style).
class clsStatistic {
public:
    QString Style;
    bool Custom = false;
    bool Default = false;
    QString Statistic; // condition, empty for every call
    QString Description;
};

#include "statistics/modStatistics.h"

#include <QStringList>

std::unique_ptr<StatisticCollection> gStatistics;
std::unique_ptr<GroupCollection> gGroups;
std::unique_ptr<StatisticCollection> gCurrentStatistics;
std::unique_ptr<GroupCollection> gCurrentGroups;

namespace {

struct BuiltIn {
    const char* description;
    const char* style;
    const char* condition;
    bool isDefault;
};

// The 9pm to 1am patterns match the engine's text form of the date; the 1 AM one has a blank before the 1
// so that 11 AM does not match.
const char kLateCalls[] = "(fldDate Like '*/*/*9:*:*PM' or fldDate Like '*/*/*10:*:*PM' "
                          "or fldDate Like '*/*/*11:*:*PM' or fldDate Like '*/*/*12:*:*AM' or fldDate Like '*/*/* 1:*:*AM')";

const BuiltIn kStatistics[] = {
    {"Total Calls", "NONE", "", true},
    {"Total Calls Answered", "NONE", "fldAnswered Like 'YES'", true},
    {"Total Calls Not Answered", "NONE", "fldAnswered Like 'NO'", true},
    {"Calls Between 9pm and 1am", "NONE", kLateCalls, true},
    {"Blocked Calls", "NONE", "fldAnswered Like 'BLOCKED'", false},
    {"Most Rings", "MOST RINGS", "", false},
    {"Average Rings", "AVERAGE RINGS", "", false},
    {"Most Calls in a Hour", "MOST CALLS IN A HOUR", "", true},
    {"Most Calls in 2 Hours", "MOST CALLS IN 2 HOURS", "", false},
    {"Most Calls in 3 Hours", "MOST CALLS IN 3 HOURS", "", false},
    {"Most Calls in 6 Hours", "MOST CALLS IN 6 HOURS", "", false},
    {"Most Calls in 12 Hours", "MOST CALLS IN 12 HOURS", "", false},
    {"Most Calls in a Day", "MOST CALLS IN A DAY", "", true},
    {"Most Calls in a Week", "MOST CALLS IN A WEEK", "", true},
    {"Most Calls in a Month", "MOST CALLS IN A MONTH", "", true},
    {"Most Calls in a Year", "MOST CALLS IN A YEAR", "", false},
    {"Average Calls Per Hour", "AVERAGE CALLS PER HOUR", "", false},
    {"Average Calls Per Day", "AVERAGE CALLS PER DAY", "", true},
    {"Average Calls Per Week", "AVERAGE CALLS PER WEEK", "", true},
    {"Average Calls Per Month", "AVERAGE CALLS PER MONTH", "", true},
    {"Average Calls Per Year", "AVERAGE CALLS PER YEAR", "", false},
    {"Calls in the Last Day", "CALLS IN THE LAST DAY", "", false},
    {"Calls in the Last Week", "CALLS IN THE LAST WEEK", "", false},
    {"Calls in the Last Month", "CALLS IN THE LAST MONTH", "", false},
    {"Calls in the Last Year", "CALLS IN THE LAST YEAR", "", false},
};

const BuiltIn kGroups[] = {
    {"All Callers", "", "", true},
    {"NOT RECEIVED", "", "(fldName Like '*NOT RECEIVED*' or fldNumber Like '*NOT RECEIVED*')", true},
    {"PRIVATE NUMBER", "", "(fldName Like '*PRIVATE NUMBER*' or fldNumber Like '*PRIVATE NUMBER*')", true},
    {"UNKNOWN NUMBER", "", "(fldName Like '*UNKNOWN NUMBER*' or fldNumber Like '*UNKNOWN NUMBER*')", true},
};

} // namespace

void CreateDefaultStatistics()
{
    gStatistics = std::make_unique<StatisticCollection>();
    gGroups = std::make_unique<GroupCollection>();
    gCurrentStatistics = std::make_unique<StatisticCollection>();
    gCurrentGroups = std::make_unique<GroupCollection>();
    for (const BuiltIn& b : kStatistics) {
        auto s = std::make_shared<clsStatistic>();
        s->Description = QString::fromLatin1(b.description);
        s->Style = QString::fromLatin1(b.style);
        s->Statistic = QString::fromLatin1(b.condition);
        s->Default = b.isDefault;
        gStatistics->add(s->Description, s);
    }
    for (const BuiltIn& b : kGroups) {
        auto g = std::make_shared<clsGroup>();
        g->Description = QString::fromLatin1(b.description);
        g->Group = QString::fromLatin1(b.condition);
        g->Default = b.isDefault;
        gGroups->add(g->Description, g);
    }
}

void ReleaseStatistics()
{
    gStatistics.reset();
    gGroups.reset();
    gCurrentStatistics.reset();
    gCurrentGroups.reset();
}

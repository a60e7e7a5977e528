#pragma once

#include "core/KeyedCollection.h"
#include "platform/DataFile.h"
#include "statistics/clsGroup.h"
#include "statistics/clsStatistic.h"

#include <QString>

#include <memory>

class clsContact;

using StatisticCollection = KeyedCollection<clsStatistic>;
using GroupCollection = KeyedCollection<clsGroup>;

// Every statistic and group the program knows (built-in, user-made, per-contact), and the ones the statistics
// window shows, keyed by Description without regard to case. A master and a current collection share the item
// objects. Made by CreateDefaultStatistics at start-up in every mode; released by ShutDown.
extern std::unique_ptr<StatisticCollection> gStatistics;
extern std::unique_ptr<GroupCollection> gGroups;
extern std::unique_ptr<StatisticCollection> gCurrentStatistics;
extern std::unique_ptr<GroupCollection> gCurrentGroups;

// --- look-ups ---

// The item under that description (case ignored), else a new empty item (empty Description); never null and
// never an error, also for a collection that does not exist.
std::shared_ptr<clsStatistic> GetStatistic(const QString& description, const StatisticCollection* collection);
std::shared_ptr<clsGroup> GetGroup(const QString& description, const GroupCollection* collection);
// True when gStatistics / gGroups holds that description, case ignored.
bool CheckDuplicateStatistic(const QString& description);
bool CheckDuplicateGroup(const QString& description);

// --- built-in and per-contact items ---

// Replaces the four collections with new ones holding the built-in statistics and groups, then the user-made
// items of the file named by StatsFile, then (not in client mode) one group per contact. Also hooks
// UpdateContactGroups to the contact book's reloads.
void CreateDefaultStatistics();
// The same without the file's items, for a start-up that opens the modem first: LoadDeferredStatistics adds
// them later, before the per-contact groups as CreateDefaultStatistics places them.
void CreateDefaultStatisticsWithoutFile();
void LoadDeferredStatistics();
// Brings the per-contact groups in step with gContacts: groups of contacts that are gone leave gGroups and
// gCurrentGroups, new contacts get a group at the end, every contact's group gets its current condition.
void UpdateContactGroups();
// Drops the four collections.
void ReleaseStatistics();

// The condition that picks a contact's calls: "(fldNumber like '*n1*' or fldNumber like '*n2*')", empty for a
// contact without numbers. Each number matches as plain text, whatever characters it holds.
QString ContactCondition(const clsContact& contact);
// "fldNumber like '*number*'": calls whose number contains the text.
QString NumberCondition(const QString& number);
// The text as a Like pattern that matches exactly it, quoted for the query text ('...').
QString LikeLiteral(const QString& text);

// --- the custom statistics file ---

// The statistics file named by the setting StatsFile (default Statistics.dat in the program folder).
QString StatsFilePath();
// Adds the file's statistics and groups (Custom True, Default False) to the ends of gStatistics and gGroups;
// items whose Description is taken are dropped. A missing file adds nothing. A bad line is passed over (kept
// with SaveError, "modStatistics_LoadStatisticsFromFile") and the lines after it still load; lines that are
// no statistic or group (and lines past DataFile::MaxLineBytes) are said once in the event list, and the file
// as it was is kept beside it as "<file>.damaged", since the next rewrite leaves them out.
void LoadStatisticsFromFile(const QString& path);
// The lines of the records that held something other than statistics and groups.
struct StatisticsLines {
    int skipped = 0;
    int firstSkipped = 0; // counted from 1
};
// The parts of the file functions that work on the file's records (tested and fuzzed without a file): the
// items of the records added as LoadStatisticsFromFile adds them, and the records RefreshStatsFile writes.
// Each record is checked against the items so far in one look-up: a file may hold many thousands.
StatisticsLines AddCustomStats(const QList<DataFile::Record>& records);
QList<DataFile::Record> CustomStatsRecords();
// Takes every user-made item out of the four collections.
void ClearCustomStats();
// Rewrites the StatsFile file from the user-made items, replacing it only once the new one is whole. False
// (kept with SaveError, "modStatistics_RefreshStatsFile") when it cannot be written; the old file then stays.
bool RefreshStatsFile();
// The engine's part of the statistics window's File menu. NewStatsFile creates the file holding one empty
// line, makes it the StatsFile and drops the user-made items; ChangeStatsFile makes an existing file the
// StatsFile and loads its items in place of the old ones. Both add an event line naming the file. False, with
// nothing changed, when the file cannot be created (New) or does not exist (Change).
bool NewStatsFile(const QString& path);
bool ChangeStatsFile(const QString& path);

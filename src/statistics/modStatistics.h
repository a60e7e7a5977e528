#pragma once

#include "core/KeyedCollection.h"
#include "statistics/clsGroup.h"
#include "statistics/clsStatistic.h"

#include <memory>

using StatisticCollection = KeyedCollection<clsStatistic>;
using GroupCollection = KeyedCollection<clsGroup>;

// Every statistic and group the program knows, and the ones the statistics window shows. Made by
// CreateDefaultStatistics at start-up; released by ShutDown.
extern std::unique_ptr<StatisticCollection> gStatistics;
extern std::unique_ptr<GroupCollection> gGroups;
extern std::unique_ptr<StatisticCollection> gCurrentStatistics;
extern std::unique_ptr<GroupCollection> gCurrentGroups;

// Replaces the four collections with new ones holding the built-in statistics and groups.
void CreateDefaultStatistics();
// Drops the four collections.
void ReleaseStatistics();

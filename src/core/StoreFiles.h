#pragma once

#include <QString>

// The data files the settings name, each with its default spelt here alone: what the program reads and writes is
// what the locks of one copy per store and the held writes follow (core/StoreLocks, core/UnwrittenFiles).
namespace StoreFiles {

// The custom statistics file: the setting StatsFile, by default Statistics.dat in the data folder.
QString statistics();
QString defaultStatistics();
// The attribute groups file: the setting AttributeGroupsFile, by default AttributeGroups.dat in the data folder.
QString attributeGroups();

} // namespace StoreFiles

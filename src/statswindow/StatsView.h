#pragma once

#include <QString>

#include <memory>

class clsGroup;

// What the statistics window's view settings do to the engine's current collections, and the group that shows
// one caller's statistics. No widgets: the window calls these and shows the result.

// Rebuilds gCurrentStatistics from the setting SavedStats (descriptions, case ignored, in saved order);
// names that are unknown or listed twice are skipped.
void LoadSavedStatistics();
// The same for gCurrentGroups from SavedGroups (a name listed twice is skipped too, not the end of the load).
void LoadSavedGroups();
// gCurrentStatistics / gCurrentGroups become every item marked Default, in master order.
void LoadDefaultStatistics();
void LoadDefaultGroups();
// The current items' descriptions, each followed by ";" (empty for none): SavedStats, SavedGroups.
QString CurrentStatisticsSetting();
QString CurrentGroupsSetting();

// The group that shows one caller (a call's number and name): the group named like the caller when there is
// one (a contact's, or "PRIVATE NUMBER" ...); else a group for the contact owning the number, under the
// contact's name; else a temporary group under the caller's name that picks calls of that number.
struct CallerGroup {
    std::shared_ptr<clsGroup> group;
    bool temporary = false;
};
CallerGroup SingleCallerGroup(const QString& number, const QString& name);

#pragma once

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

#include "core/clsAttributeGroup.h"

// What the attribute-group editor and the contact book's group commands decide without a window: the
// editor's save checks, its sound list, and the change of the program-wide group collection each command
// makes. The group file, the contact file and the clients are then brought along by modAttributeGroup.
namespace AttributeGroupEditing {

// The description as it is stored: the typed text without "//", ";", "|", "'" and '"' (the group file
// quotes its texts and has no way to hold a quote inside one).
QString cleanedDescription(const QString& typed);

// Why the editor refuses to save, in the order it checks, or nothing. The checks look at the cleaned text,
// which is what would be stored: an empty description, one that reads as a number, and one another group
// already has (case ignored). When editing, ownName is the group's stored name: keeping it, in any
// capitals, is no duplicate. A sound path that would break the group's record on the wire or in the file
// is refused too.
std::optional<QString> saveRefusal(const QString& typedDescription, const QString& sound, bool adding,
                                   const QString& ownName);

// "Speech", then the wave files of the program folder's "Sounds" folder (full paths, sorted by name).
QStringList soundList();

// Adds a new group to gAttributeGroups; false when its description is empty or taken.
bool addGroup(const std::shared_ptr<clsAttributeGroup>& group);
// Gives the stored group oldName the edited values and keys it under its (possibly new) description; it
// moves to the end of the collection, as a re-keyed item does. False, with the collection unchanged, when
// there is no such group or the new description is another group's.
bool editGroup(const QString& oldName, const clsAttributeGroup& edited);
// Removes the group from gAttributeGroups; false when there is none.
bool removeGroup(const QString& name);

} // namespace AttributeGroupEditing

#include "core/StoreFiles.h"

#include "core/SettingsKeys.h"
#include "core/modAttributeGroup.h"
#include "core/modProperties.h"
#include "platform/ProgramFolder.h"

namespace StoreFiles {

QString statistics() { return GetProperty(Section::frmStatistics, Key::StatsFile, defaultStatistics()); }

QString defaultStatistics() { return programFolder() + QStringLiteral("/Statistics.dat"); }

QString attributeGroups()
{
    return GetProperty(Section::frmContacts, Key::AttributeGroupsFile, defaultAttributeGroupsFile());
}

} // namespace StoreFiles

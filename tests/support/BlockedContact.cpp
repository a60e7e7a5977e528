#include "BlockedContact.h"

#include <memory>

#include "core/clsContact.h"
#include "core/modAttributeGroup.h"
#include "core/modContactDB.h"

bool addBlockedContact(const QString& path, const QString& name, const QString& number)
{
    auto group = std::make_shared<clsAttributeGroup>();
    group->Description = QStringLiteral("Nuisance");
    group->Block = true;
    gAttributeGroups = KeyedCollection<clsAttributeGroup>();
    clsContact contact;
    contact.Name = name;
    contact.AttributeGroup = group->Description;
    contact.AddNumber(std::make_shared<clsNumber>(number, QString()));
    return gAttributeGroups.add(group->Description, group) && CreateContactDB(path) && AddContact(contact);
}

#include "contacts/AttributeGroupEditing.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

#include "contacts/ContactForm.h"
#include "core/modAttributeGroup.h"
#include "core/modMain.h"
#include "platform/ProgramFolder.h"

namespace AttributeGroupEditing {

QString cleanedDescription(const QString& typed)
{
    QString text = StripSeparators(typed);
    text.remove(QLatin1Char('"'));
    return text;
}

std::optional<QString> saveRefusal(const QString& typedDescription, const QString& sound, bool adding,
                                   const QString& ownName)
{
    const QString description = cleanedDescription(typedDescription);
    if (description.isEmpty())
        return QStringLiteral("You must enter a description.");
    if (isNumericName(description))
        return QStringLiteral("Attribute group descriptions cannot be all numeric.");
    const bool keepsOwnName = !adding && description.compare(ownName, Qt::CaseInsensitive) == 0;
    if (!keepsOwnName && CheckDuplicateAttributeGroup(description))
        return QStringLiteral("You cannot have duplicate descriptions.");
    if (sound.contains(QLatin1Char(';')) || sound.contains(QLatin1Char('|')) || sound.contains(QLatin1Char('"')))
        return sound + QStringLiteral(" cannot be used: sound file names must not contain \";\", \"|\" or '\"'. "
                                      "Choose another file.");
    return std::nullopt;
}

QStringList soundList()
{
    QStringList out{QStringLiteral("Speech")};
    const QString folder = programFolder() + QStringLiteral("/Sounds/");
    QStringList files = QDir(folder).entryList({QStringLiteral("*.wav")}, QDir::Files | QDir::NoDotAndDotDot);
    // The file system's order differs between machines; the list reads better sorted.
    std::sort(files.begin(), files.end(),
              [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    for (const QString& f : files)
        out << folder + f;
    return out;
}

bool addGroup(const std::shared_ptr<clsAttributeGroup>& group)
{
    if (!group || group->Description.isEmpty() || CheckDuplicateAttributeGroup(group->Description))
        return false;
    return gAttributeGroups.add(group->Description, group);
}

bool editGroup(const QString& oldName, const clsAttributeGroup& edited)
{
    const auto group = gAttributeGroups.item(oldName);
    if (!group || edited.Description.isEmpty())
        return false;
    // Another group of that name would be lost in the re-key.
    if (edited.Description.compare(oldName, Qt::CaseInsensitive) != 0 &&
        CheckDuplicateAttributeGroup(edited.Description))
        return false;
    group->Description = edited.Description;
    group->Color = edited.Color;
    group->Block = edited.Block;
    group->Sound = edited.Sound;
    gAttributeGroups.remove(oldName);
    gAttributeGroups.add(group->Description, group);
    return true;
}

bool removeGroup(const QString& name) { return gAttributeGroups.remove(name); }

} // namespace AttributeGroupEditing

#include "core/modAttributeGroup.h"

#include <optional>

#include <QFile>
#include <QFileInfo>
#include <QSet>

#include "core/Globals.h"
#include "core/RecordFields.h"
#include "core/SettingsKeys.h"
#include "core/StoreFiles.h"
#include "core/UnwrittenFiles.h"
#include "core/WindowLinks.h"
#include "core/modContactDB.h"
#include "core/modError.h"
#include "core/modMain.h"
#include "core/modProperties.h"
#include "platform/DataFile.h"
#include "platform/PlainFile.h"
#include "platform/ProgramFolder.h"
#include "platform/SqlDatabase.h"
#include "platform/SqlError.h"

KeyedCollection<clsAttributeGroup> gAttributeGroups;

namespace {

const QString kLoadTag = QStringLiteral("modAttributeGroup_LoadAttributeGroupsFromFile");

// The colour field: whatever number leads it, rounded into 32 bits; nothing when it does not fit.
std::optional<qint32> colourField(const QVariant& field)
{
    double value = 0;
    switch (field.typeId()) {
    case QMetaType::Bool:
        value = field.toBool() ? -1 : 0;
        break;
    case QMetaType::LongLong:
    case QMetaType::Int:
        value = double(field.toLongLong());
        break;
    case QMetaType::Double:
        value = field.toDouble();
        break;
    default:
        value = RecordFields::leadingNumber(field.toString());
        break;
    }
    qint32 out = 0;
    if (!RecordFields::roundToInt32(value, out))
        return std::nullopt;
    return out;
}

// #TRUE#/#FALSE#, the quoted words, or a number; anything else is not a truth value.
std::optional<bool> blockField(const QVariant& field)
{
    const bool asTrue = DataFile::toBool(field, true);
    if (asTrue != DataFile::toBool(field, false))
        return std::nullopt;
    return asTrue;
}

QString fileSubject(const QString& path) { return QStringLiteral("The attribute group file ") + path; }

QString unwrittenText(const QString& path, const QString& why)
{
    return fileSubject(path) + QStringLiteral(" cannot be written: ") + why;
}

void loadFailed(qint32 number, const QString& description)
{
    SaveError(number, description);
    ReportError(kLoadTag);
}

// The group a line of the file describes; nothing (and the failure kept) for a line that is not one.
std::shared_ptr<clsAttributeGroup> groupFromRecord(const DataFile::Record& r)
{
    if (r.size() < 4) {
        loadFailed(kPastEndOfFileError, QStringLiteral("Input past end of file"));
        return nullptr;
    }
    auto group = std::make_shared<clsAttributeGroup>();
    group->Description = r[0].toString();
    const auto colour = colourField(r[1]);
    if (!colour) {
        loadFailed(kOverflowError, QStringLiteral("Overflow"));
        return nullptr;
    }
    group->Color = *colour;
    const auto block = blockField(r[2]);
    if (!block) {
        loadFailed(kTypeMismatchError, QStringLiteral("Type mismatch"));
        return nullptr;
    }
    group->Block = *block;
    group->Sound = r[3].toString();
    return group;
}

} // namespace

QString defaultAttributeGroupsFile() { return programFolder() + QStringLiteral("/AttributeGroups.dat"); }

AttributeGroupLines AddAttributeGroups(const QList<DataFile::Record>& records)
{
    AttributeGroupLines lines;
    // The names taken so far, in capitals, so that each line is checked against them in one look-up: the
    // file may hold thousands of groups.
    QSet<QString> taken;
    taken.reserve(gAttributeGroups.count() + int(records.size()));
    for (const auto& entry : gAttributeGroups)
        taken.insert(entry.item->Description.toUpper());
    for (qsizetype i = 0; i < records.size(); ++i) {
        const DataFile::Record& r = records.at(i);
        if (r.isEmpty())
            continue; // a blank line, such as an editor's extra line end, holds no group
        const auto group = groupFromRecord(r);
        if (!group) {
            // One damaged line costs that group only; the groups after it load as usual.
            if (lines.skipped++ == 0)
                lines.firstSkipped = int(i) + 1;
            continue;
        }
        const QString upper = group->Description.toUpper();
        if (taken.contains(upper) || gAttributeGroups.contains(group->Description))
            continue;
        taken.insert(upper);
        gAttributeGroups.add(group->Description, group);
    }
    return lines;
}

QList<DataFile::Record> AttributeGroupRecords()
{
    QList<DataFile::Record> records;
    records.reserve(gAttributeGroups.count());
    for (const auto& entry : gAttributeGroups) {
        const clsAttributeGroup& g = *entry.item;
        records.append({g.Description, qlonglong(g.Color), g.Block, g.Sound});
    }
    return records;
}

void LoadAttributeGroupsFromFile(const QString& path)
{
    if (isClientMode())
        return;
    // What a write killed half-way left beside the file in an earlier run.
    PlainFile::removeLeftovers(path);
    // The groups as the user last changed them, which the file could not take yet (a mode switch reloads them).
    if (const auto held = UnwrittenFiles::held(path)) {
        AddAttributeGroups(DataFile::parseAll(*held));
        SendAttributeGroups();
        return;
    }
    const PlainFile::Kind kind = PlainFile::kindOf(path);
    if (kind == PlainFile::Kind::Missing)
        return;
    // A folder or a pipe in its place is never opened (a pipe would hold start-up until someone writes to it).
    if (const QString why = PlainFile::notAFile(kind); !why.isEmpty()) {
        AddEventOnce(QStringLiteral("groups ") + path, QStringLiteral("The attribute group file ") + path +
                                                           QStringLiteral(" cannot be read: ") + why +
                                                           QStringLiteral("; no groups were loaded from it"));
        return;
    }
    DataFile::Damage damage;
    const auto records = DataFile::readAll(path, &damage);
    if (!records) {
        loadFailed(kFileAccessError, QStringLiteral("Path/File access error"));
        return;
    }
    AttributeGroupLines lines = AddAttributeGroups(*records);
    if (damage.longLines > 0) {
        lines.skipped += int(damage.longLines);
        if (lines.firstSkipped == 0 || damage.firstLongLine < lines.firstSkipped)
            lines.firstSkipped = int(damage.firstLongLine);
    }
    if (lines.skipped > 0) {
        // The next rewrite of the file leaves the skipped lines out: the file as it was is kept beside it.
        const QString aside = path + QStringLiteral(".damaged");
        const bool kept = PlainFile::copyWhole(path, aside);
        AddEvent(QStringLiteral("%1 line(s) of the attribute group file %2 could not be read and were skipped "
                                "(the first is line %3)")
                     .arg(lines.skipped)
                     .arg(path)
                     .arg(lines.firstSkipped) +
                 (kept ? QStringLiteral("; the file as it was is kept as ") + aside : QString()));
    }
    SendAttributeGroups();
}

bool CreateDefaultAttributeGroups()
{
    if (isClientMode())
        return false;
    const QString sounds = programFolder() + QStringLiteral("/Sounds/");
    // The first-run file writes the block flag as quoted words; every later rewrite uses #TRUE#/#FALSE#.
    const QList<DataFile::Record> defaults = {
        {QStringLiteral("Default"), qlonglong(16711680), QStringLiteral("FALSE"), sounds + "Xylophone.wav"},
        {QStringLiteral("VIP Callers"), qlonglong(65280), QStringLiteral("FALSE"), sounds + "Snaredrumroll.wav"},
        {QStringLiteral("Block Calls"), qlonglong(255), QStringLiteral("TRUE"), sounds + "Alarm.wav"},
    };
    const QString path = defaultAttributeGroupsFile();
    // Refused, nothing is restored (and that is said): the groups in use stay, and so does their file.
    if (QString error; !UnwrittenFiles::write(path, DataFile::formatAll(defaults), fileSubject(path),
                                              UnwrittenFiles::OnRefusal::GiveUp, &error)) {
        ReportUnwritten(kFileAccessError, unwrittenText(path, error), QString(),
                        QStringLiteral("modAttributeGroup_CreateDefaultAttributeGroups"), path);
        return false;
    }
    return true;
}

void RefreshAttributeGroupFile()
{
    if (isClientMode())
        return;
    const QString path = StoreFiles::attributeGroups();
    // Refused, the groups stay as the user made them and are written at the next chance, while the file is ours.
    if (QString error; !UnwrittenFiles::write(path, DataFile::formatAll(AttributeGroupRecords()), fileSubject(path),
                                              UnwrittenFiles::OnRefusal::HoldWhileInUse, &error)) {
        ReportUnwritten(kFileAccessError, unwrittenText(path, error), QString(),
                        QStringLiteral("modAttributeGroup_RefreshAttributeGroupFile"), path);
        return;
    }
    SendAttributeGroups();
}

void SendAttributeGroups()
{
    // No server, nobody to tell: the whole list is not even put together.
    if (isClientMode() || !windowLinks().broadcast)
        return;
    QString text = QStringLiteral(";CLEAR ATTRIBUTE GROUPS;");
    for (const auto& entry : gAttributeGroups)
        text += QStringLiteral(";ATTRIBUTE GROUP;") + entry.item->PrintSend();
    Links::broadcast(text);
}

std::shared_ptr<clsAttributeGroup> GetAttributeGroup(const QString& name)
{
    if (auto group = gAttributeGroups.item(name))
        return group;
    SaveError(kInvalidCallError, QStringLiteral("Invalid procedure call or argument"));
    return std::make_shared<clsAttributeGroup>();
}

bool CheckDuplicateAttributeGroup(const QString& name)
{
    // Whatever the collection would refuse as its key is a duplicate too, so no group is dropped unseen.
    if (gAttributeGroups.contains(name))
        return true;
    const QString upper = name.toUpper();
    for (const auto& entry : gAttributeGroups) {
        if (entry.item->Description.toUpper() == upper)
            return true;
    }
    return false;
}

void RefreshAttributeGroup(const QString& oldName, const QString& newName)
{
    const QString none = QStringLiteral("<none>");
    if (isClientMode() || oldName.compare(none, Qt::CaseInsensitive) == 0 ||
        newName.compare(none, Qt::CaseInsensitive) == 0)
        return;
    // Over a copy: the contact book told of each change may rebuild gContacts meanwhile.
    const QList<std::shared_ptr<clsContact>> contacts = gContacts.items();
    for (const auto& item : contacts) {
        clsContact& contact = *item;
        if (contact.AttributeGroup.compare(oldName, Qt::CaseInsensitive) != 0)
            continue;
        contact.AttributeGroup = newName;
        if (windowLinks().contactsEditC)
            windowLinks().contactsEditC(contact.Name, contact);
    }
    if (!gContactDB)
        return;
    try {
        // The old name is a name, not a pattern: a group called "A*" renames only itself.
        SqlStatement st = gContactDB->prepare(
            QStringLiteral("UPDATE tblContacts SET fldAttributeGroup = ? WHERE sametext(fldAttributeGroup, ?)"));
        st.bind(1, newName);
        st.bind(2, oldName);
        st.exec();
    } catch (const SqlError& e) {
        SaveError(e.code(), e.message(), QStringLiteral("modAttributeGroup"));
        ReportError(QStringLiteral("frmContacts_RefreshAttributeGroup"));
    }
}

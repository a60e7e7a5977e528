#include "statistics/modStatistics.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStringList>

#include "core/Globals.h"
#include "core/SettingsKeys.h"
#include "core/StoreFiles.h"
#include "core/StoreLocks.h"
#include "core/UnwrittenFiles.h"
#include "core/WindowLinks.h"
#include "core/clsContact.h"
#include "core/modContactDB.h"
#include "core/modError.h"
#include "core/modMain.h"
#include "core/modProperties.h"
#include "platform/DataFile.h"
#include "platform/PlainFile.h"
#include "platform/ProgramFolder.h"

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

// The 9pm to 1am patterns match the general date text of fldDate; the 1 AM one has a blank before the 1 so
// that 11 AM does not match.
const char kLateCalls[] =
    "(fldDate Like '*/*/*9:*:*PM' or fldDate Like '*/*/*10:*:*PM' "
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

const QString kStatisticTag = QStringLiteral("Statistic");
const QString kGroupTag = QStringLiteral("Group");

// The four built-in groups survive every contact reload.
bool isSpecialGroup(const QString& description)
{
    const QString upper = description.toUpper();
    return upper == QLatin1String("ALL CALLERS") || upper == QLatin1String("NOT RECEIVED") ||
           upper == QLatin1String("PRIVATE NUMBER") || upper == QLatin1String("UNKNOWN NUMBER");
}

std::shared_ptr<clsGroup> contactGroup(const clsContact& contact)
{
    auto g = std::make_shared<clsGroup>();
    g->Default = true;
    g->Description = contact.Name;
    g->Group = ContactCondition(contact);
    return g;
}

void keepCollectionError(const QString& tag)
{
    SaveError(kDuplicateKeyError, QStringLiteral("This key is already associated with an element of this collection"));
    ReportError(tag);
}

// A field as the text it was written as (an unquoted number or truth value read back as written).
QString fieldText(const QVariant& field)
{
    return field.typeId() == QMetaType::QString ? field.toString() : DataFile::formatField(field);
}

template <typename T>
void removeCustom(KeyedCollection<T>* collection)
{
    if (!collection)
        return;
    QStringList keys;
    for (const auto& entry : *collection) {
        if (entry.item && entry.item->Custom)
            keys << entry.key;
    }
    collection->remove(keys);
}

} // namespace

// ---------------------------------------------------------------- look-ups

std::shared_ptr<clsStatistic> GetStatistic(const QString& description, const StatisticCollection* collection)
{
    if (collection) {
        if (auto item = collection->item(description))
            return item;
    }
    return std::make_shared<clsStatistic>();
}

std::shared_ptr<clsGroup> GetGroup(const QString& description, const GroupCollection* collection)
{
    if (collection) {
        if (auto item = collection->item(description))
            return item;
    }
    return std::make_shared<clsGroup>();
}

bool CheckDuplicateStatistic(const QString& description)
{
    if (!gStatistics)
        return false;
    const QString upper = description.toUpper();
    for (const auto& entry : *gStatistics) {
        if (entry.item->Description.toUpper() == upper)
            return true;
    }
    return false;
}

bool CheckDuplicateGroup(const QString& description)
{
    if (!gGroups)
        return false;
    const QString upper = description.toUpper();
    for (const auto& entry : *gGroups) {
        if (entry.item->Description.toUpper() == upper)
            return true;
    }
    return false;
}

// ---------------------------------------------------------------- conditions

QString LikeLiteral(const QString& text)
{
    QString out;
    out.reserve(text.size() + 8);
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '\'':
            out += QLatin1String("''");
            break;
        // Pattern characters stand for themselves only inside a class.
        case '*':
        case '?':
        case '#':
        case '[':
            out += QLatin1Char('[');
            out += c;
            out += QLatin1Char(']');
            break;
        default:
            out += c;
            break;
        }
    }
    return out;
}

QString NumberCondition(const QString& number)
{
    return QStringLiteral("fldNumber like '*") + LikeLiteral(number) + QStringLiteral("*'");
}

QString ContactCondition(const clsContact& contact)
{
    QStringList parts;
    for (const auto& entry : contact.Numbers)
        parts << NumberCondition(entry.item->Number);
    if (parts.isEmpty())
        return QString();
    return QLatin1Char('(') + parts.join(QLatin1String(" or ")) + QLatin1Char(')');
}

// ---------------------------------------------------------------- built-in and per-contact items

namespace {

void addContactGroups()
{
    if (isClientMode())
        return;
    for (const auto& entry : gContacts) {
        const clsContact& contact = *entry.item;
        if (!gGroups->contains(contact.Name))
            gGroups->add(contact.Name, contactGroup(contact));
    }
}

void createBuiltIns();

} // namespace

void CreateDefaultStatistics()
{
    createBuiltIns();
    LoadStatisticsFromFile(StatsFilePath());
    addContactGroups();
    windowLinks().updateContactGroups = &UpdateContactGroups;
}

void CreateDefaultStatisticsWithoutFile()
{
    createBuiltIns();
    addContactGroups();
    windowLinks().updateContactGroups = &UpdateContactGroups;
}

void LoadDeferredStatistics()
{
    if (!gGroups || !gStatistics)
        return;
    // The per-contact groups come after the file's items: they leave and come back behind them.
    QStringList contactGroups;
    for (const auto& entry : *gGroups) {
        const clsGroup& g = *entry.item;
        if (g.Default && !isSpecialGroup(g.Description))
            contactGroups << g.Description;
    }
    QList<std::shared_ptr<clsGroup>> kept;
    for (const QString& description : std::as_const(contactGroups))
        kept << gGroups->item(description);
    // In one pass: a book of thousands of contacts has as many groups.
    gGroups->remove(contactGroups);
    LoadStatisticsFromFile(StatsFilePath());
    for (const auto& g : std::as_const(kept))
        if (g && !gGroups->contains(g->Description))
            gGroups->add(g->Description, g);
    if (windowLinks().customizeStatisticsGroupsChanged)
        windowLinks().customizeStatisticsGroupsChanged();
}

namespace {

void createBuiltIns()
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

} // namespace

void UpdateContactGroups()
{
    if (!gGroups || !gCurrentGroups)
        return;

    QSet<QString> names;
    for (const auto& entry : gContacts)
        names.insert(entry.item->Name);

    // Groups of contacts that are gone; names compare exactly, so a renamed contact's old group goes too.
    QStringList gone;
    for (const auto& entry : *gGroups) {
        const clsGroup& g = *entry.item;
        if (isSpecialGroup(g.Description) || !g.Default || names.contains(g.Description))
            continue;
        gone << g.Description;
    }
    QStringList goneShown;
    for (const QString& description : std::as_const(gone)) {
        const auto shown = gCurrentGroups->item(description);
        if (shown && shown->Description == description)
            goneShown << description;
    }
    gCurrentGroups->remove(goneShown);
    gGroups->remove(gone);

    for (const auto& entry : gContacts) {
        const clsContact& contact = *entry.item;
        const auto existing = gGroups->item(contact.Name);
        if (existing && existing->Description == contact.Name) {
            existing->Group = ContactCondition(contact);
        } else if (!gGroups->add(contact.Name, contactGroup(contact))) {
            // A group whose name differs only in case holds the key: this contact has no group of its own.
            keepCollectionError(QStringLiteral("modStatistics_UpdateContactGroups"));
        }
    }

    if (windowLinks().customizeStatisticsGroupsChanged)
        windowLinks().customizeStatisticsGroupsChanged();
}

void ReleaseStatistics()
{
    gStatistics.reset();
    gGroups.reset();
    gCurrentStatistics.reset();
    gCurrentGroups.reset();
    windowLinks().updateContactGroups = nullptr;
}

// ---------------------------------------------------------------- the custom statistics file

QString StatsFilePath() { return StoreFiles::statistics(); }

void LoadStatisticsFromFile(const QString& path)
{
    // What a write killed half-way left beside the file in an earlier run.
    PlainFile::removeLeftovers(path);
    // The statistics as the user last changed them, which the file could not take yet (a mode switch reloads them).
    if (const auto held = UnwrittenFiles::held(path)) {
        AddCustomStats(DataFile::parseAll(*held));
        return;
    }
    const PlainFile::Kind kind = PlainFile::kindOf(path);
    if (kind == PlainFile::Kind::Missing)
        return;
    // A folder or a pipe in its place is never opened (a pipe would hold start-up until someone writes to it).
    if (const QString why = PlainFile::notAFile(kind); !why.isEmpty()) {
        AddEventOnce(QStringLiteral("statistics ") + path,
                     QStringLiteral("The statistics file ") + path + QStringLiteral(" cannot be read: ") + why +
                         QStringLiteral("; no custom statistics or groups were loaded from it"));
        return;
    }
    DataFile::Damage damage;
    const auto records = DataFile::readAll(path, &damage);
    if (!records) {
        SaveError(kFileAccessError, QStringLiteral("Path/File access error"));
        ReportError(QStringLiteral("modStatistics_LoadStatisticsFromFile"));
        return;
    }
    StatisticsLines lines = AddCustomStats(*records);
    if (damage.longLines > 0) {
        lines.skipped += int(damage.longLines);
        if (lines.firstSkipped == 0 || damage.firstLongLine < lines.firstSkipped)
            lines.firstSkipped = int(damage.firstLongLine);
    }
    if (lines.skipped == 0)
        return;
    // The next rewrite of the file leaves the skipped lines out: the file as it was is kept beside it.
    const QString aside = path + QStringLiteral(".damaged");
    const bool kept = PlainFile::copyWhole(path, aside);
    AddEvent(QStringLiteral("%1 line(s) of the statistics file %2 could not be read and were skipped (the first is "
                            "line %3)")
                 .arg(lines.skipped)
                 .arg(path)
                 .arg(lines.firstSkipped) +
             (kept ? QStringLiteral("; the file as it was is kept as ") + aside : QString()));
}

StatisticsLines AddCustomStats(const QList<DataFile::Record>& records)
{
    const QString tag = QStringLiteral("modStatistics_LoadStatisticsFromFile");
    StatisticsLines lines;
    // The names taken so far, in capitals as the duplicate checks compare them.
    QSet<QString> statisticNames, groupNames;
    if (gStatistics)
        for (const auto& entry : *gStatistics)
            statisticNames.insert(entry.item->Description.toUpper());
    if (gGroups)
        for (const auto& entry : *gGroups)
            groupNames.insert(entry.item->Description.toUpper());
    for (qsizetype line = 0; line < records.size(); ++line) {
        const DataFile::Record& r = records.at(line);
        bool damaged = false;
        // A record begins at a field that is exactly a tag; anything else is passed over field by field.
        int i = 0;
        while (i < r.size()) {
            const QString field = fieldText(r[i]);
            if (field == kStatisticTag) {
                if (i + 3 >= r.size()) {
                    // A record cut short: only this line is lost, the next ones still load.
                    SaveError(kPastEndOfFileError, QStringLiteral("Input past end of file"));
                    ReportError(tag);
                    damaged = true;
                    break;
                }
                auto s = std::make_shared<clsStatistic>();
                s->Custom = true;
                s->Description = fieldText(r[i + 1]);
                s->Statistic = fieldText(r[i + 2]);
                s->Style = fieldText(r[i + 3]);
                const QString upper = s->Description.toUpper();
                if (gStatistics && !statisticNames.contains(upper) && gStatistics->add(s->Description, s))
                    statisticNames.insert(upper);
                i += 4;
            } else if (field == kGroupTag) {
                if (i + 2 >= r.size()) {
                    SaveError(kPastEndOfFileError, QStringLiteral("Input past end of file"));
                    ReportError(tag);
                    damaged = true;
                    break;
                }
                auto g = std::make_shared<clsGroup>();
                g->Custom = true;
                g->Description = fieldText(r[i + 1]);
                g->Group = fieldText(r[i + 2]);
                const QString upper = g->Description.toUpper();
                if (gGroups && !groupNames.contains(upper) && gGroups->add(g->Description, g))
                    groupNames.insert(upper);
                i += 3;
            } else {
                // An empty field is what a blank line or a trailing comma leaves; anything else is no part
                // of a statistic or a group.
                if (!field.isEmpty())
                    damaged = true;
                ++i;
            }
        }
        if (damaged && lines.skipped++ == 0)
            lines.firstSkipped = int(line) + 1;
    }
    return lines;
}

void ClearCustomStats()
{
    removeCustom(gStatistics.get());
    removeCustom(gCurrentStatistics.get());
    removeCustom(gGroups.get());
    removeCustom(gCurrentGroups.get());
}

QList<DataFile::Record> CustomStatsRecords()
{
    QList<DataFile::Record> records;
    if (gStatistics) {
        for (const auto& entry : *gStatistics) {
            const clsStatistic& s = *entry.item;
            if (s.Custom)
                records << DataFile::Record{kStatisticTag, s.Description, s.Statistic, s.Style};
        }
    }
    if (gGroups) {
        for (const auto& entry : *gGroups) {
            const clsGroup& g = *entry.item;
            if (g.Custom)
                records << DataFile::Record{kGroupTag, g.Description, g.Group};
        }
    }
    return records;
}

namespace {
QString fileSubject(const QString& path) { return QStringLiteral("The statistics file ") + path; }

QString unwrittenText(const QString& path, const QString& why)
{
    return fileSubject(path) + QStringLiteral(" cannot be written: ") + why;
}
} // namespace

bool RefreshStatsFile()
{
    const QString path = StatsFilePath();
    // Refused, the statistics stay as the user made them and are written at the next chance, while the file is ours.
    if (QString error; !UnwrittenFiles::write(path, DataFile::formatAll(CustomStatsRecords()), fileSubject(path),
                                              UnwrittenFiles::OnRefusal::HoldWhileInUse, &error)) {
        ReportUnwritten(kFileAccessError, unwrittenText(path, error), QString(),
                        QStringLiteral("modStatistics_RefreshStatsFile"), path);
        return false;
    }
    return true;
}

bool NewStatsFile(const QString& path)
{
    if (path.isEmpty()) {
        SaveError(kFileAccessError, QStringLiteral("Path/File access error"));
        ReportError(QStringLiteral("frmStatistics_mnuFileNew_Click"));
        return false;
    }
    {
        StoreLocks::Change change(path);
        if (!change.refusal().isEmpty() || QFileInfo::exists(path)) {
            SaveError(kFileAccessError,
                      change.refusal().isEmpty() ? QStringLiteral("Path/File access error") : change.refusal());
            ReportError(QStringLiteral("frmStatistics_mnuFileNew_Click"));
            return false;
        }
        // Refused, the command changes nothing (and says so).
        if (QString error; !UnwrittenFiles::write(path, DataFile::formatAll({DataFile::Record{}}), fileSubject(path),
                                                  UnwrittenFiles::OnRefusal::GiveUp, &error)) {
            ReportUnwritten(kFileAccessError, unwrittenText(path, error), QString(),
                            QStringLiteral("frmStatistics_mnuFileNew_Click"), path);
            return false;
        }
        SaveProperty(Section::frmStatistics, Key::StatsFile, path);
        change.done();
    }
    AddEvent(QStringLiteral("New custom statistics file ") + QFileInfo(path).fileName());
    ClearCustomStats();
    return true;
}

bool ChangeStatsFile(const QString& path)
{
    if (path.isEmpty() || !QFileInfo(path).isFile()) {
        SaveError(kFileNotFoundError, QStringLiteral("File not found"));
        ReportError(QStringLiteral("frmStatistics_mnuFileChange_Click"));
        return false;
    }
    {
        StoreLocks::Change change(path);
        if (!change.refusal().isEmpty()) {
            SaveError(kFileAccessError, change.refusal());
            ReportError(QStringLiteral("frmStatistics_mnuFileChange_Click"));
            return false;
        }
        SaveProperty(Section::frmStatistics, Key::StatsFile, path);
        change.done();
    }
    AddEvent(QStringLiteral("Loaded custom statistics file ") + QFileInfo(path).fileName());
    ClearCustomStats();
    LoadStatisticsFromFile(path);
    return true;
}

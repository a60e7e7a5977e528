#include "statswindow/StatsCustomization.h"

#include "core/clsContact.h"
#include "core/modContactDB.h"
#include "core/modMain.h"
#include "statistics/modStatistics.h"

namespace StatsCustomization {

namespace {

template <typename T>
Lists listsOf(const KeyedCollection<T>* master, const KeyedCollection<T>* current)
{
    Lists lists;
    if (current) {
        for (const auto& e : *current)
            lists.current << e.item->Description;
    }
    if (master) {
        for (const auto& e : *master) {
            if (!current || !current->contains(e.item->Description))
                lists.available << e.item->Description;
        }
    }
    return lists;
}

template <typename T>
std::unique_ptr<KeyedCollection<T>> collectionOf(const QStringList& names, const KeyedCollection<T>* master)
{
    auto out = std::make_unique<KeyedCollection<T>>();
    if (!master)
        return out;
    for (const QString& name : names) {
        if (auto item = master->item(name); item && !item->Description.isEmpty())
            out->add(item->Description, item);
    }
    return out;
}

// Another item of the collection than the one under self has that description (case ignored).
template <typename T>
bool namesAnother(const KeyedCollection<T>* master, const QString& description, const QString& self)
{
    if (!master)
        return false;
    const auto holder = master->item(description);
    return holder && holder != master->item(self);
}

// The item's key in the master collection is renewed (it goes to the end, as an item added again does); in
// the current collection it keeps its place, and an item that was not shown does not become shown.
template <typename T>
void rekey(std::unique_ptr<KeyedCollection<T>>& master, std::unique_ptr<KeyedCollection<T>>& current,
           const QString& oldDescription, const std::shared_ptr<T>& item)
{
    master->remove(oldDescription);
    master->add(item->Description, item);
    if (!current || !current->contains(oldDescription))
        return;
    auto renewed = std::make_unique<KeyedCollection<T>>();
    for (const auto& e : *current) {
        if (e.key.compare(oldDescription, Qt::CaseInsensitive) == 0)
            renewed->add(item->Description, item);
        else
            renewed->add(e.key, e.item);
    }
    current = std::move(renewed);
}

} // namespace

Lists StatisticLists() { return listsOf(gStatistics.get(), gCurrentStatistics.get()); }

Lists GroupLists() { return listsOf(gGroups.get(), gCurrentGroups.get()); }

void ApplyCurrent(const QStringList& statistics, const QStringList& groups)
{
    gCurrentStatistics = collectionOf(statistics, gStatistics.get());
    gCurrentGroups = collectionOf(groups, gGroups.get());
}

const QStringList& StyleNames()
{
    static const QStringList names{
        QStringLiteral("None"),
        QStringLiteral("Most Rings"),
        QStringLiteral("Average Rings"),
        QStringLiteral("Most Calls in a Hour"),
        QStringLiteral("Most Calls in 2 Hours"),
        QStringLiteral("Most Calls in 3 Hours"),
        QStringLiteral("Most Calls in 6 Hours"),
        QStringLiteral("Most Calls in 12 Hours"),
        QStringLiteral("Most Calls in a Day"),
        QStringLiteral("Most Calls in a Week"),
        QStringLiteral("Most Calls in a Month"),
        QStringLiteral("Most Calls in a Year"),
        QStringLiteral("Average Calls Per Hour"),
        QStringLiteral("Average Calls Per Day"),
        QStringLiteral("Average Calls Per Week"),
        QStringLiteral("Average Calls Per Month"),
        QStringLiteral("Average Calls Per Year"),
        QStringLiteral("Calls in the Last Day"),
        QStringLiteral("Calls in the Last Week"),
        QStringLiteral("Calls in the Last Month"),
        QStringLiteral("Calls in the Last Year"),
    };
    return names;
}

QString CleanDescription(const QString& text) { return StripSeparators(text); }

bool IsRefusedDescriptionCharacter(QChar c)
{
    return c == QLatin1Char('/') || c == QLatin1Char(';') || c == QLatin1Char('\'') || c == QLatin1Char('|');
}

QString WithoutRefusedCharacters(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (!IsRefusedDescriptionCharacter(c))
            out += c;
    }
    return out;
}

QString DescriptionProblem(Kind kind, const QString& text, bool adding, const QString& oldDescription)
{
    // What would be stored is what must be checked: a pasted "To//tal Calls" is "Total Calls".
    const QString cleaned = CleanDescription(text);
    if (cleaned.isEmpty())
        return QStringLiteral("You must enter a description.");
    const bool taken = kind == Kind::Statistic ? CheckDuplicateStatistic(cleaned) : CheckDuplicateGroup(cleaned);
    if (!taken)
        return QString();
    if (adding || cleaned.compare(oldDescription, Qt::CaseInsensitive) != 0)
        return QStringLiteral("You cannot have duplicate descriptions.");
    return QString();
}

QString SelectMessage(Kind kind, bool remove)
{
    return QStringLiteral("You must select a ") +
           (kind == Kind::Statistic ? QStringLiteral("statistic") : QStringLiteral("group")) +
           (remove ? QStringLiteral(" to remove.") : QStringLiteral(" to edit."));
}

QString IntrinsicMessage(Kind kind)
{
    return kind == Kind::Statistic ? QStringLiteral("Intrinsic statistics cannot be removed.")
                                   : QStringLiteral("Intrinsic groups cannot be removed.");
}

QString RemoveQuestion(Kind kind)
{
    return QStringLiteral("Are you sure you want to permanently remove this ") +
           (kind == Kind::Statistic ? QStringLiteral("statistic?") : QStringLiteral("group?"));
}

bool IsCustom(Kind kind, const QString& description)
{
    if (kind == Kind::Statistic) {
        const auto item = gStatistics ? gStatistics->item(description) : nullptr;
        return item && item->Custom;
    }
    const auto item = gGroups ? gGroups->item(description) : nullptr;
    return item && item->Custom;
}

ItemState StateOf(Kind kind, const QString& description)
{
    ItemState state;
    if (kind == Kind::Statistic) {
        if (const auto item = gStatistics ? gStatistics->item(description) : nullptr) {
            state = {true, item->Description, item->Statistic, item->Style, item->Custom};
        }
    } else if (const auto item = gGroups ? gGroups->item(description) : nullptr) {
        state = {true, item->Description, item->Group, QString(), item->Custom};
    }
    return state;
}

namespace {

QString named(Kind kind, const QString& description)
{
    return (kind == Kind::Statistic ? QStringLiteral("The statistic \"") : QStringLiteral("The group \"")) +
           description + QLatin1Char('"');
}

} // namespace

QString ChangedMeanwhileMessage(Kind kind, const QString& description)
{
    return named(kind, description) +
           QStringLiteral(" was changed or removed while this window waited; nothing was changed.");
}

QString AddedMeanwhileMessage(Kind kind, const QString& description)
{
    return named(kind, description) +
           QStringLiteral(" was added elsewhere while this window waited; nothing was changed.");
}

bool AddStatistic(const QString& description, const QString& statistic, const QString& style)
{
    if (!gStatistics || description.isEmpty() || gStatistics->contains(description))
        return false;
    auto item = std::make_shared<clsStatistic>();
    item->Custom = true;
    item->Description = description;
    item->Statistic = statistic;
    item->Style = style;
    gStatistics->add(description, item);
    RefreshStatsFile();
    return true;
}

bool AddGroup(const QString& description, const QString& group)
{
    if (!gGroups || description.isEmpty() || gGroups->contains(description))
        return false;
    auto item = std::make_shared<clsGroup>();
    item->Custom = true;
    item->Description = description;
    item->Group = group;
    gGroups->add(description, item);
    RefreshStatsFile();
    return true;
}

bool EditStatistic(const QString& oldDescription, const QString& description, const QString& statistic,
                   const QString& style)
{
    const auto item = gStatistics ? gStatistics->item(oldDescription) : nullptr;
    if (!item || description.isEmpty() || namesAnother(gStatistics.get(), description, oldDescription))
        return false;
    item->Custom = true;
    item->Description = description;
    item->Statistic = statistic;
    item->Style = style;
    rekey(gStatistics, gCurrentStatistics, oldDescription, item);
    RefreshStatsFile();
    return true;
}

bool EditGroup(const QString& oldDescription, const QString& description, const QString& group)
{
    const auto item = gGroups ? gGroups->item(oldDescription) : nullptr;
    if (!item || description.isEmpty() || namesAnother(gGroups.get(), description, oldDescription))
        return false;
    item->Custom = true;
    item->Description = description;
    item->Group = group;
    rekey(gGroups, gCurrentGroups, oldDescription, item);
    RefreshStatsFile();
    return true;
}

bool Remove(Kind kind, const QString& description)
{
    if (!IsCustom(kind, description))
        return false;
    if (kind == Kind::Statistic) {
        if (gCurrentStatistics)
            gCurrentStatistics->remove(description);
        gStatistics->remove(description);
    } else {
        if (gCurrentGroups)
            gCurrentGroups->remove(description);
        gGroups->remove(description);
    }
    RefreshStatsFile();
    return true;
}

QString GroupCondition(const QStringList& contactNames)
{
    QStringList parts;
    for (const QString& name : contactNames) {
        const auto contact = GetContact(name);
        for (const auto& n : contact->Numbers)
            parts << NumberCondition(n.item->Number);
    }
    // No number picked: a group of nobody, which counts no call; the empty condition would count every call, and
    // "()" runs no query.
    if (parts.isEmpty())
        return QStringLiteral("(False)");
    return QLatin1Char('(') + parts.join(QStringLiteral(" or ")) + QLatin1Char(')');
}

QStringList ContactsCoveredBy(const QString& condition)
{
    QStringList names;
    for (const auto& e : gContacts) {
        const clsContact& contact = *e.item;
        if (contact.Numbers.isEmpty())
            continue;
        bool all = true;
        for (const auto& n : contact.Numbers) {
            // The number as written, or as the condition built from ticks writes it (pattern characters kept
            // literal).
            const QString number = n.item->Number;
            if (!condition.contains(number) && !condition.contains(LikeLiteral(number))) {
                all = false;
                break;
            }
        }
        if (all)
            names << contact.Name;
    }
    return names;
}

} // namespace StatsCustomization

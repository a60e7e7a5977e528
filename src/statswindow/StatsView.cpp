#include "statswindow/StatsView.h"

#include "core/SettingsKeys.h"
#include "core/clsContact.h"
#include "core/modContactDB.h"
#include "core/modProperties.h"
#include "statistics/modStatistics.h"

namespace {

template <typename T>
void loadSaved(std::unique_ptr<KeyedCollection<T>>& current, const KeyedCollection<T>* master, const char* key)
{
    current = std::make_unique<KeyedCollection<T>>();
    if (!master)
        return;
    for (const QString& name : ListToArray(GetProperty(Section::frmStatistics, QString::fromLatin1(key), QString()))) {
        const auto item = master->item(name);
        // Unknown names and names listed twice are passed over.
        if (item && !item->Description.isEmpty())
            current->add(item->Description, item);
    }
}

template <typename T>
void loadDefault(std::unique_ptr<KeyedCollection<T>>& current, const KeyedCollection<T>* master)
{
    current = std::make_unique<KeyedCollection<T>>();
    if (!master)
        return;
    for (const auto& entry : *master) {
        if (entry.item->Default)
            current->add(entry.item->Description, entry.item);
    }
}

template <typename T>
QString setting(const KeyedCollection<T>* current)
{
    QString text;
    if (current) {
        for (const auto& entry : *current)
            text += entry.item->Description + QLatin1Char(';');
    }
    return text;
}

} // namespace

void LoadSavedStatistics() { loadSaved(gCurrentStatistics, gStatistics.get(), Key::SavedStats); }

void LoadSavedGroups() { loadSaved(gCurrentGroups, gGroups.get(), Key::SavedGroups); }

void LoadDefaultStatistics() { loadDefault(gCurrentStatistics, gStatistics.get()); }

void LoadDefaultGroups() { loadDefault(gCurrentGroups, gGroups.get()); }

QString CurrentStatisticsSetting() { return setting(gCurrentStatistics.get()); }

QString CurrentGroupsSetting() { return setting(gCurrentGroups.get()); }

CallerGroup SingleCallerGroup(const QString& number, const QString& name)
{
    CallerGroup out;
    const auto named = GetGroup(name, gGroups.get());
    if (!named->Description.isEmpty()) {
        out.group = named;
        return out;
    }
    const auto contact = FindContactByNumber(number);
    auto g = std::make_shared<clsGroup>();
    if (!contact || contact->Name.isEmpty()) {
        g->Description = name;
        g->Group = NumberCondition(number);
        out.temporary = true;
    } else {
        g->Description = contact->Name;
        g->Group = ContactCondition(*contact);
    }
    out.group = g;
    return out;
}

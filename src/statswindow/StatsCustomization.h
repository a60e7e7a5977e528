#pragma once

#include <QString>
#include <QStringList>

// What the customize statistics dialog and its two editors do to the statistics and groups, without widgets:
// the lists they show, the checks of a description, adding, editing and removing a user-made item (each
// rewrites the statistics file at once) and applying the chosen order to the current collections.
namespace StatsCustomization {

enum class Kind { Statistic, Group };

// The lists of one kind as the dialog fills them: the current items in collection order, and every other item
// of the master collection in its order.
struct Lists {
    QStringList available;
    QStringList current;
};
Lists StatisticLists();
Lists GroupLists();

// gCurrentStatistics and gCurrentGroups become the listed items, in list order; names that are no item are
// passed over.
void ApplyCurrent(const QStringList& statistics, const QStringList& groups);

// The editor's style list ("None", "Most Rings", ... "Calls in the Last Year"); a statistic stores the chosen
// entry upper-cased.
const QStringList& StyleNames();

// A description as it is stored: "//", ";", "|" and "'" taken out.
QString CleanDescription(const QString& text);
// The characters a description box refuses to take in, typed or pasted: "/", ";", "'" and "|".
bool IsRefusedDescriptionCharacter(QChar c);
// The text without those characters.
QString WithoutRefusedCharacters(const QString& text);

// Why an editor cannot save this description, or an empty text: "You must enter a description." when nothing
// is left after cleaning, "You cannot have duplicate descriptions." when the cleaned text names another item
// of the kind (case ignored). Adding compares with every item; editing with every item but the one edited
// (oldDescription), so an item may keep its name or change only its case.
QString DescriptionProblem(Kind kind, const QString& text, bool adding, const QString& oldDescription = QString());

// The messages of the dialog's commands.
QString SelectMessage(Kind kind, bool remove); // "You must select a statistic to edit." ...
QString IntrinsicMessage(Kind kind);           // "Intrinsic statistics cannot be removed." ...
QString RemoveQuestion(Kind kind);             // "Are you sure you want to permanently remove this statistic?" ...

// True when the master collection holds a user-made item of that description.
bool IsCustom(Kind kind, const QString& description);

// An item as a command found it before it waited on the user (an editor, a question): afterwards the command
// looks the item up again by its description and goes on only when it is still the same.
struct ItemState {
    bool found = false;
    QString description;
    QString condition; // Statistic or Group
    QString style;     // statistics only
    bool custom = false;
    bool operator==(const ItemState&) const = default;
};
ItemState StateOf(Kind kind, const QString& description);
// "The statistic "Long Calls" was changed or removed while this window waited; nothing was changed."
QString ChangedMeanwhileMessage(Kind kind, const QString& description);
// "The group "Golf" was added elsewhere while this window waited; nothing was changed."
QString AddedMeanwhileMessage(Kind kind, const QString& description);

// A new user-made item at the end of its master collection; false (nothing changed) when the description is
// empty or taken. The statistics file is rewritten.
bool AddStatistic(const QString& description, const QString& statistic, const QString& style);
bool AddGroup(const QString& description, const QString& group);
// The item oldDescription takes the new values and becomes user-made. Its key in the master collection is
// renewed (it moves to the end); in the current collection it keeps its place when it is there and is not
// added when it is not. False, with nothing changed, when there is no such item, the new description is empty
// or it names another item. The statistics file is rewritten.
bool EditStatistic(const QString& oldDescription, const QString& description, const QString& statistic,
                   const QString& style);
bool EditGroup(const QString& oldDescription, const QString& description, const QString& group);
// Takes a user-made item out of the current and the master collection and rewrites the file; false for an
// item that is built in or not there.
bool Remove(Kind kind, const QString& description);

// A group condition that picks the calls of the named contacts (in the given order): for each of their
// numbers, "fldNumber like '*number*'", joined by " or " in parentheses. "(False)" when no number is picked.
QString GroupCondition(const QStringList& contactNames);
// The contacts (in collection order) that have numbers, every one of which occurs in the condition text.
QStringList ContactsCoveredBy(const QString& condition);

} // namespace StatsCustomization

#pragma once

#include <QString>
#include <QStringList>

// The four lists of the customize statistics dialog as plain data: their entries in shown order, the selected
// entry, and the moves between them. The dialog's list widgets only show these.
//
// A sorted list puts an entry that is added without a place at its alphabetical place (case ignored), while an
// entry inserted at a given place (the up and down buttons) stays there. A list widget that sorts itself would
// undo every up and down, so the order is kept here and the widgets never sort.
class CustomizeList {
public:
    explicit CustomizeList(bool sorted = false) : m_sorted(sorted) {}

    const QStringList& entries() const { return m_entries; }
    int count() const { return int(m_entries.size()); }
    bool isEmpty() const { return m_entries.isEmpty(); }
    QString at(int position) const { return m_entries.value(position); }

    // -1 when nothing is selected.
    int selected() const { return m_selected; }
    QString selectedText() const { return at(m_selected); }
    // A position outside the list selects nothing.
    void select(int position);

    void clear();
    // At the alphabetical place in a sorted list (before the first entry that sorts after it), else at the end;
    // returns the place.
    int add(const QString& text);
    // Every text as add() would add them one after the other, in one go: thousands of per-contact groups
    // fill an empty sorted list by one sort instead of a search per entry.
    void addAll(const QStringList& texts);
    void insertAt(int position, const QString& text);
    // Removes the entry; a selection on it moves to the entry that took its place, or to the new last entry.
    void removeAt(int position);
    // The entry keeps its place, whatever the sorting.
    void replaceAt(int position, const QString& text);

private:
    QStringList m_entries;
    int m_selected = -1;
    bool m_sorted;
};

// cmdMove(index): 0/1 ">" moves the selected available entry across, 2/3 ">>" all of them, 4/5 "<" the selected
// current entry back, 6/7 "<<" all of them back. Without a selected entry in the source nothing happens, also
// for the move-all buttons. Afterwards a destination without a selection selects its first entry.
void MoveListItems(int index, CustomizeList& available, CustomizeList& current);
// cmdUpDown(index): 0/1 moves the selected entry one place up, 2/3 one place down (nothing at either end).
void MoveCurrentItem(int index, CustomizeList& list);

// Which move and order buttons can be used (EnableButtons): a list that is empty disables its buttons.
struct CustomizeButtons {
    bool move[8] = {};
    bool upDown[4] = {};
};
CustomizeButtons EnableButtons(const CustomizeList& statistics, const CustomizeList& currentStatistics,
                               const CustomizeList& groups, const CustomizeList& currentGroups);

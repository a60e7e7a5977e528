#include "statswindow/CustomizeLists.h"

#include <algorithm>

void CustomizeList::select(int position) { m_selected = position >= 0 && position < count() ? position : -1; }

void CustomizeList::clear()
{
    m_entries.clear();
    m_selected = -1;
}

int CustomizeList::add(const QString& text)
{
    int place = count();
    if (m_sorted) {
        for (int i = 0; i < count(); ++i) {
            if (m_entries[i].compare(text, Qt::CaseInsensitive) > 0) {
                place = i;
                break;
            }
        }
    }
    insertAt(place, text);
    return place;
}

void CustomizeList::addAll(const QStringList& texts)
{
    if (!m_sorted || !isEmpty()) {
        for (const QString& text : texts)
            add(text);
        return;
    }
    // Each entry goes after every one that does not sort after it: a stable sort gives the same order.
    m_entries = texts;
    std::stable_sort(m_entries.begin(), m_entries.end(),
                     [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
}

void CustomizeList::insertAt(int position, const QString& text)
{
    position = std::clamp(position, 0, count());
    m_entries.insert(position, text);
    if (m_selected >= position)
        ++m_selected;
}

void CustomizeList::removeAt(int position)
{
    if (position < 0 || position >= count())
        return;
    m_entries.removeAt(position);
    if (m_selected > position)
        --m_selected;
    else if (m_selected == position)
        m_selected = std::min(position, count() - 1);
}

void CustomizeList::replaceAt(int position, const QString& text)
{
    if (position >= 0 && position < count())
        m_entries[position] = text;
}

void MoveListItems(int index, CustomizeList& available, CustomizeList& current)
{
    if (index < 0 || index > 7)
        return;
    CustomizeList& source = index < 4 ? available : current;
    CustomizeList& destination = index < 4 ? current : available;
    if (source.selected() < 0)
        return;
    const bool all = index == 2 || index == 3 || index == 6 || index == 7;
    if (all) {
        for (const QString& entry : source.entries())
            destination.add(entry);
        source.clear();
    } else {
        const int from = source.selected();
        destination.add(source.at(from));
        source.removeAt(from);
    }
    if (destination.selected() < 0)
        destination.select(0);
}

void MoveCurrentItem(int index, CustomizeList& list)
{
    const int i = list.selected();
    if (i < 0 || index < 0 || index > 3)
        return;
    const bool up = index < 2;
    const int to = up ? i - 1 : i + 1;
    if (to < 0 || to >= list.count())
        return;
    const QString text = list.at(i);
    list.removeAt(i);
    list.insertAt(to, text);
    list.select(to);
}

CustomizeButtons EnableButtons(const CustomizeList& statistics, const CustomizeList& currentStatistics,
                               const CustomizeList& groups, const CustomizeList& currentGroups)
{
    CustomizeButtons b;
    b.move[0] = b.move[2] = !statistics.isEmpty();
    b.move[4] = b.move[6] = b.upDown[0] = b.upDown[2] = !currentStatistics.isEmpty();
    b.move[1] = b.move[3] = !groups.isEmpty();
    b.move[5] = b.move[7] = b.upDown[1] = b.upDown[3] = !currentGroups.isEmpty();
    return b;
}

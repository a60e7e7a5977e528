#include "contacts/ContactListModel.h"

#include <algorithm>

#include "platform/Colour.h"

namespace {
QString fold(const QString& key) { return key.toCaseFolded(); }
} // namespace

bool contactTextLess(const QString& a, const QString& b)
{
    const int c = a.compare(b, Qt::CaseInsensitive);
    if (c != 0)
        return c < 0;
    return a.compare(b, Qt::CaseSensitive) < 0;
}

ContactListModel::ContactListModel(QObject* parent) : QAbstractListModel(parent) {}

int ContactListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : int(m_items.size()); }

QVariant ContactListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= int(m_items.size()))
        return {};
    const Item& item = m_items[size_t(index.row())];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return item.text;
    case Qt::ForegroundRole:
        return Colour::fromBgr(item.colour);
    default:
        return {};
    }
}

QVariant ContactListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (section == 0 && orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return QStringLiteral("Contacts");
    return {};
}

Qt::ItemFlags ContactListModel::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren : Qt::NoItemFlags;
}

quint32 ContactListModel::groupColour(const clsContact& contact, const KeyedCollection<clsAttributeGroup>& groups)
{
    // No group, or one that is gone: black.
    const auto group = contact.AttributeGroup.isEmpty() ? nullptr : groups.item(contact.AttributeGroup);
    return group ? quint32(group->Color) : 0u;
}

void ContactListModel::fill(const KeyedCollection<clsContact>& contacts,
                            const KeyedCollection<clsAttributeGroup>& groups)
{
    beginResetModel();
    m_items.clear();
    m_items.reserve(size_t(contacts.count()));
    QHash<QString, bool> seen;
    seen.reserve(contacts.count());
    for (const auto& entry : contacts) {
        const QString key = fold(entry.item->Name);
        if (seen.contains(key))
            continue;
        seen.insert(key, true);
        m_items.push_back({entry.item->Name, groupColour(*entry.item, groups)});
    }
    std::stable_sort(m_items.begin(), m_items.end(),
                     [](const Item& a, const Item& b) { return contactTextLess(a.text, b.text); });
    m_indexed = false;
    endResetModel();
}

int ContactListModel::placeFor(const QString& text, int skip) const
{
    // The first item that sorts after the text (equal texts keep the order they came in).
    int lo = 0;
    int hi = int(m_items.size());
    auto at = [&](int i) -> const QString& { return m_items[size_t(skip >= 0 && i >= skip ? i + 1 : i)].text; };
    if (skip >= 0)
        --hi;
    while (lo < hi) {
        const int mid = (lo + hi) / 2;
        if (contactTextLess(text, at(mid)))
            hi = mid;
        else
            lo = mid + 1;
    }
    return lo;
}

bool ContactListModel::add(const clsContact& contact, const KeyedCollection<clsAttributeGroup>& groups)
{
    if (row(contact.Name) >= 0)
        return false;
    const int at = placeFor(contact.Name);
    beginInsertRows(QModelIndex(), at, at);
    m_items.insert(m_items.begin() + at, Item{contact.Name, groupColour(contact, groups)});
    m_indexed = false;
    endInsertRows();
    return true;
}

bool ContactListModel::remove(const QString& name)
{
    const int r = row(name);
    if (r < 0)
        return false;
    beginRemoveRows(QModelIndex(), r, r);
    m_items.erase(m_items.begin() + r);
    m_indexed = false;
    endRemoveRows();
    return true;
}

bool ContactListModel::edit(const QString& oldName, const clsContact& contact,
                            const KeyedCollection<clsAttributeGroup>& groups)
{
    const int r = row(oldName);
    if (r < 0)
        return false;
    const int taken = row(contact.Name);
    if (taken >= 0 && taken != r)
        return false;
    m_items[size_t(r)] = Item{contact.Name, groupColour(contact, groups)};
    m_indexed = false;
    const QModelIndex changed = index(r);
    Q_EMIT dataChanged(changed, changed);
    // Its place in the order, counted without it; the move keeps the selection on it.
    const int to = placeFor(contact.Name, r);
    if (to != r) {
        beginMoveRows(QModelIndex(), r, r, QModelIndex(), to > r ? to + 1 : to);
        Item moved = std::move(m_items[size_t(r)]);
        m_items.erase(m_items.begin() + r);
        m_items.insert(m_items.begin() + to, std::move(moved));
        endMoveRows();
    }
    return true;
}

void ContactListModel::reindex() const
{
    m_rows.clear();
    m_rows.reserve(int(m_items.size()));
    for (int i = 0; i < int(m_items.size()); ++i)
        m_rows.insert(fold(m_items[size_t(i)].text), i);
    m_indexed = true;
}

int ContactListModel::row(const QString& name) const
{
    if (!m_indexed)
        reindex();
    return m_rows.value(fold(name), -1);
}

QString ContactListModel::text(int r) const
{
    return r >= 0 && r < int(m_items.size()) ? m_items[size_t(r)].text : QString();
}

quint32 ContactListModel::colour(int r) const
{
    return r >= 0 && r < int(m_items.size()) ? m_items[size_t(r)].colour : 0u;
}

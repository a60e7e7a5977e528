#pragma once

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

#include <atomic>
#include <memory>

// An ordered collection whose items also have a text key compared without regard to case (contacts by
// name, a contact's numbers, attribute groups by description). Adding a second item under an existing key
// fails. Items are shared pointers so a record handed out stays valid when the collection is replaced.
template <typename T>
class KeyedCollection {
public:
    using Ptr = std::shared_ptr<T>;

    KeyedCollection() = default;
    KeyedCollection(const KeyedCollection& other) : m_items(other.m_items), m_index(other.m_index) {}
    KeyedCollection(KeyedCollection&& other) noexcept
        : m_items(std::move(other.m_items)), m_index(std::move(other.m_index))
    {
        other.changed();
    }
    KeyedCollection& operator=(const KeyedCollection& other)
    {
        m_items = other.m_items;
        m_index = other.m_index;
        changed();
        return *this;
    }
    KeyedCollection& operator=(KeyedCollection&& other) noexcept
    {
        m_items = std::move(other.m_items);
        m_index = std::move(other.m_index);
        changed();
        other.changed();
        return *this;
    }

    // Different after every change of what the collection holds or in which order (and for every collection
    // made): what is worked out from the items (an index over them) is kept while the stamp stays.
    quint64 stamp() const { return m_stamp; }

    int count() const { return int(m_items.size()); }
    bool isEmpty() const { return m_items.isEmpty(); }

    // False (and nothing added) when the key is taken.
    bool add(const QString& key, Ptr item)
    {
        const QString k = fold(key);
        if (m_index.contains(k))
            return false;
        m_items.append({key, std::move(item)});
        m_index.insert(k, int(m_items.size()) - 1);
        changed();
        return true;
    }

    bool contains(const QString& key) const { return m_index.contains(fold(key)); }

    // nullptr when there is no such key.
    Ptr item(const QString& key) const
    {
        const auto it = m_index.constFind(fold(key));
        return it == m_index.cend() ? nullptr : m_items[*it].item;
    }

    // Position 0 is the first item.
    Ptr at(int position) const { return m_items.at(position).item; }
    QString keyAt(int position) const { return m_items.at(position).key; }

    bool remove(const QString& key)
    {
        const auto it = m_index.constFind(fold(key));
        if (it == m_index.cend())
            return false;
        m_items.removeAt(*it);
        reindex();
        return true;
    }

    // Removes the items of all these keys in one pass; the number removed. Thousands removed one at a time
    // would make the index again after each.
    int remove(const QList<QString>& keys)
    {
        QSet<QString> gone;
        for (const QString& key : keys)
            gone.insert(fold(key));
        const auto removed = m_items.removeIf([&](const Entry& e) { return gone.contains(fold(e.key)); });
        if (removed > 0)
            reindex();
        return int(removed);
    }

    void removeAt(int position)
    {
        m_items.removeAt(position);
        reindex();
    }

    void clear()
    {
        m_items.clear();
        m_index.clear();
        changed();
    }

    QList<Ptr> items() const
    {
        QList<Ptr> out;
        out.reserve(m_items.size());
        for (const auto& e : m_items)
            out.append(e.item);
        return out;
    }

    // Range-for over the items in order.
    struct Entry {
        QString key;
        Ptr item;
    };
    auto begin() const { return m_items.begin(); }
    auto end() const { return m_items.end(); }

private:
    static QString fold(const QString& key) { return key.toCaseFolded(); }
    static quint64 nextStamp()
    {
        static std::atomic<quint64> last{0};
        return ++last;
    }
    void changed() { m_stamp = nextStamp(); }
    void reindex()
    {
        m_index.clear();
        for (int i = 0; i < m_items.size(); ++i)
            m_index.insert(fold(m_items[i].key), i);
        changed();
    }

    QList<Entry> m_items;
    QHash<QString, int> m_index;
    quint64 m_stamp = nextStamp();
};

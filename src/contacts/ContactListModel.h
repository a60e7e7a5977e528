#pragma once

#include <QAbstractListModel>
#include <QHash>
#include <QString>

#include <vector>

#include "core/KeyedCollection.h"
#include "core/clsAttributeGroup.h"
#include "core/clsContact.h"

// The contact book's list: one item per contact, keyed and labelled by its name, drawn in its attribute
// group's colour (black without one), kept in the order of the names (capitals ignored). Keys compare
// without regard to case, as the contact collection's do; a second item under a key already present is
// not added.
class ContactListModel : public QAbstractListModel {
    Q_OBJECT
public:
    explicit ContactListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Every item replaced by one per contact.
    void fill(const KeyedCollection<clsContact>& contacts, const KeyedCollection<clsAttributeGroup>& groups);
    // False when an item has that key already.
    bool add(const clsContact& contact, const KeyedCollection<clsAttributeGroup>& groups);
    // False when no item has that key.
    bool remove(const QString& name);
    // The item keyed by oldName takes the contact's name as key and text and its group's colour, and moves
    // to its place in the order. False when there is no such item or the new key belongs to another item.
    bool edit(const QString& oldName, const clsContact& contact, const KeyedCollection<clsAttributeGroup>& groups);

    // -1 when no item has that key.
    int row(const QString& name) const;
    QString text(int row) const;
    // The item's colour as stored (blue-green-red).
    quint32 colour(int row) const;

private:
    struct Item {
        QString text;
        quint32 colour = 0;
    };
    static quint32 groupColour(const clsContact& contact, const KeyedCollection<clsAttributeGroup>& groups);
    // Where an item with that text goes among the items (the one at skip not counted).
    int placeFor(const QString& text, int skip = -1) const;
    void reindex() const;

    std::vector<Item> m_items;
    mutable QHash<QString, int> m_rows;
    mutable bool m_indexed = true;
};

// The order of contact names in both views: capitals ignored first, then as written.
bool contactTextLess(const QString& a, const QString& b);

#pragma once

#include <QItemSelectionModel>
#include <QObject>
#include <QString>

#include <optional>

#include "contacts/ContactListModel.h"
#include "contacts/ContactTreeModel.h"

// The contact book's two views of the same book, with their selections: the list and the tree of the
// window share these models and selection models, so what the rules below select is what the user sees,
// and the rules run (and are tested) without a window.
//
// Changes made here are the program's own, not the user's: while one runs, programmatic() is true, and the
// window does not take the selection changes it causes for clicks.
class ContactViews : public QObject {
    Q_OBJECT
public:
    explicit ContactViews(QObject* parent = nullptr);

    ContactListModel list;
    QItemSelectionModel listSelection{&list};
    ContactTreeModel tree;
    QItemSelectionModel treeSelection{&tree};

    bool programmatic() const { return m_programmatic > 0; }

    // --- refills (UpdateList and UpdateTree) ---
    // While adding, the item whose name equals the typed name (capitals ignored) is selected, or none.
    // When the form keeps edits of a contact (formContact), that contact's item, or none once it is gone:
    // the highlight never shows another contact than the form. Otherwise the contact selected before, while
    // it is still there; else the item at its position (1-based, 0 for none): beyond the end the last,
    // none the first. True when the typed name was found while adding.
    bool refillList(const KeyedCollection<clsContact>& contacts, const KeyedCollection<clsAttributeGroup>& groups,
                    bool adding, const QString& typedName, const std::optional<QString>& formContact = std::nullopt);
    // The node selected before is selected again; when it is gone, the typed name while adding, else the
    // node fallbackFor gives. With formContact (not adding), that contact's node or none, as in the list.
    // True when the typed name's contact was selected while adding.
    bool refillTree(const KeyedCollection<clsContact>& contacts, const KeyedCollection<clsAttributeGroup>& groups,
                    bool adding, const QString& typedName, const std::optional<QString>& formContact = std::nullopt);

    // --- upkeep after a store change (AddC, RemoveC, EditC) ---
    // Adds the contact's item and node; no selection changes.
    void addContact(const clsContact& contact, const KeyedCollection<clsAttributeGroup>& groups);
    // Removes them; where the removed one was selected, the selection moves as a refill would move it: in
    // the list to the item now at its place (the new last at the end), in the tree to the next sibling,
    // else the one before, else the group.
    void removeContact(const QString& name);
    // Renames, recolours, regroups and renumbers the contact's item and node; the selection stays on them.
    void editContact(const QString& oldName, const clsContact& contact,
                     const KeyedCollection<clsAttributeGroup>& groups);

    // --- selections ---
    int listSelectedRow() const;
    QString listSelectedText() const;
    QModelIndex treeSelected() const;
    QString treeSelectedText() const;
    bool treeContactSelected() const;
    // Selecting by key; false (selection unchanged) when there is no such item or node.
    bool selectListItem(const QString& name);
    void selectListRow(int row);
    bool selectTreeContact(const QString& name);
    void selectTree(const QModelIndex& index);
    void clearListSelection();
    void clearTreeSelection();

Q_SIGNALS:
    // A selection the program made, for the view to scroll to.
    void listScrollRequested(const QModelIndex& index);
    void treeScrollRequested(const QModelIndex& index);

private:
    struct Programmatic;
    int m_programmatic = 0;
};

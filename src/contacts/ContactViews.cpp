#include "contacts/ContactViews.h"

struct ContactViews::Programmatic {
    explicit Programmatic(ContactViews& v) : views(v) { ++views.m_programmatic; }
    ~Programmatic() { --views.m_programmatic; }
    ContactViews& views;
};

ContactViews::ContactViews(QObject* parent) : QObject(parent) {}

bool ContactViews::refillList(const KeyedCollection<clsContact>& contacts,
                              const KeyedCollection<clsAttributeGroup>& groups, bool adding, const QString& typedName,
                              const std::optional<QString>& formContact)
{
    Programmatic guard(*this);
    const int remembered = listSelectedRow() + 1;
    const QString selectedBefore = listSelectedText();
    list.fill(contacts, groups);
    const int count = list.rowCount();
    if (!adding && formContact) {
        if (!selectListItem(*formContact))
            clearListSelection();
        return false;
    }
    if (adding) {
        for (int r = 0; r < count; ++r) {
            if (list.text(r).compare(typedName, Qt::CaseInsensitive) == 0) {
                selectListRow(r);
                return true;
            }
        }
        clearListSelection();
        return false;
    }
    // A contact added or removed before the selected one moves it; the selection stays with it.
    if (!selectedBefore.isEmpty() && selectListItem(selectedBefore))
        return false;
    if (count == 0)
        clearListSelection();
    else if (remembered > count)
        selectListRow(count - 1);
    else if (remembered < 1)
        selectListRow(0);
    else
        selectListRow(remembered - 1);
    return false;
}

bool ContactViews::refillTree(const KeyedCollection<clsContact>& contacts,
                              const KeyedCollection<clsAttributeGroup>& groups, bool adding, const QString& typedName,
                              const std::optional<QString>& formContact)
{
    Programmatic guard(*this);
    if (!adding && formContact) {
        tree.fill(groups, contacts);
        if (!selectTreeContact(*formContact))
            clearTreeSelection();
        return false;
    }
    const QModelIndex selected = treeSelected();
    const auto old = tree.refOf(selected);
    std::optional<ContactTreeModel::NodeRef> fallback;
    if (adding)
        fallback = ContactTreeModel::NodeRef{ContactTreeModel::Contact, typedName, QString()};
    else
        fallback = tree.fallbackFor(selected);
    tree.fill(groups, contacts);
    QModelIndex pick = old ? tree.find(*old) : QModelIndex();
    bool typedFound = false;
    if (!pick.isValid() && fallback) {
        pick = tree.find(*fallback);
        typedFound = adding && pick.isValid();
    }
    if (pick.isValid())
        selectTree(pick);
    else
        clearTreeSelection();
    return typedFound;
}

void ContactViews::addContact(const clsContact& contact, const KeyedCollection<clsAttributeGroup>& groups)
{
    Programmatic guard(*this);
    list.add(contact, groups);
    tree.addContact(contact);
}

void ContactViews::removeContact(const QString& name)
{
    Programmatic guard(*this);
    const int row = list.row(name);
    const bool listWasSelected = row >= 0 && row == listSelectedRow();
    if (list.remove(name) && listWasSelected) {
        const int count = list.rowCount();
        if (count == 0)
            clearListSelection();
        else
            selectListRow(std::min(row, count - 1));
    }

    const QModelIndex node = tree.contactIndex(name);
    if (!node.isValid())
        return;
    const QModelIndex selected = treeSelected();
    // The removed node itself, or one of its numbers, was selected: the selection moves on.
    bool selectedGoes = false;
    for (QModelIndex i = selected; i.isValid(); i = i.parent())
        selectedGoes = selectedGoes || i == node;
    std::optional<ContactTreeModel::NodeRef> fallback = selectedGoes ? tree.successorOf(node) : std::nullopt;
    tree.removeContact(name);
    if (!selectedGoes)
        return;
    const QModelIndex pick = fallback ? tree.find(*fallback) : QModelIndex();
    if (pick.isValid())
        selectTree(pick);
    else
        clearTreeSelection();
}

void ContactViews::editContact(const QString& oldName, const clsContact& contact,
                               const KeyedCollection<clsAttributeGroup>& groups)
{
    Programmatic guard(*this);
    const bool listWasSelected = list.row(oldName) >= 0 && list.row(oldName) == listSelectedRow();
    list.edit(oldName, contact, groups);
    if (listWasSelected)
        selectListItem(contact.Name);

    const QModelIndex before = tree.contactIndex(oldName);
    const bool treeWasSelected = before.isValid() && before == treeSelected();
    tree.editContact(oldName, contact);
    if (treeWasSelected)
        selectTreeContact(contact.Name);
}

int ContactViews::listSelectedRow() const
{
    const QModelIndexList rows = listSelection.selectedIndexes();
    return rows.isEmpty() ? -1 : rows.first().row();
}

QString ContactViews::listSelectedText() const { return list.text(listSelectedRow()); }

QModelIndex ContactViews::treeSelected() const
{
    const QModelIndexList nodes = treeSelection.selectedIndexes();
    return nodes.isEmpty() ? QModelIndex() : nodes.first();
}

QString ContactViews::treeSelectedText() const { return tree.text(treeSelected()); }

bool ContactViews::treeContactSelected() const
{
    const QModelIndex s = treeSelected();
    return s.isValid() && tree.kind(s) == ContactTreeModel::Contact;
}

bool ContactViews::selectListItem(const QString& name)
{
    const int row = list.row(name);
    if (row < 0)
        return false;
    selectListRow(row);
    return true;
}

void ContactViews::selectListRow(int row)
{
    Programmatic guard(*this);
    const QModelIndex i = list.index(row);
    if (!i.isValid())
        return;
    listSelection.setCurrentIndex(i, QItemSelectionModel::ClearAndSelect);
    Q_EMIT listScrollRequested(i);
}

bool ContactViews::selectTreeContact(const QString& name)
{
    const QModelIndex i = tree.contactIndex(name);
    if (!i.isValid())
        return false;
    selectTree(i);
    return true;
}

void ContactViews::selectTree(const QModelIndex& index)
{
    Programmatic guard(*this);
    if (!index.isValid())
        return;
    treeSelection.setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    Q_EMIT treeScrollRequested(index);
}

void ContactViews::clearListSelection()
{
    Programmatic guard(*this);
    listSelection.clear();
}

void ContactViews::clearTreeSelection()
{
    Programmatic guard(*this);
    treeSelection.clear();
}

#pragma once

#include <QAbstractItemModel>
#include <QHash>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

#include "core/KeyedCollection.h"
#include "core/clsAttributeGroup.h"
#include "core/clsContact.h"

// The contact book's tree: attribute groups at the root, each with its contacts beneath it (kept sorted by
// name), contacts without a group (or with one that has no node) at the root after the groups, and each
// contact's numbers beneath it in the contact's order. A node's text is its key.
//
// Each kind of node has its own keys (groups by description, contacts by name, numbers by their display
// text within their contact), all compared without regard to case. So a contact named like a group, or like
// another contact's number, has a node of its own, and the same number under two contacts shows under both.
// The kind travels with every node (KindRole), so a group node is never taken for a contact.
class ContactTreeModel : public QAbstractItemModel {
    Q_OBJECT
public:
    enum Kind { Group = 0, Contact = 1, Number = 2 };
    static constexpr int KindRole = Qt::UserRole + 1;

    // A node named the way the window remembers one across a refill: its kind, its key, and for a number
    // the key of its contact.
    struct NodeRef {
        Kind kind = Contact;
        QString key;
        QString contactKey;
    };

    explicit ContactTreeModel(QObject* parent = nullptr);
    ~ContactTreeModel() override;

    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Every node replaced: the groups in collection order, then the contacts in collection order.
    void fill(const KeyedCollection<clsAttributeGroup>& groups, const KeyedCollection<clsContact>& contacts);
    // A stored contact's node with its numbers (under its group, else at the root). False when a contact node
    // has that key already.
    bool addContact(const clsContact& contact);
    // The contact's node and its numbers. False when there is none.
    bool removeContact(const QString& name);
    // The node of the contact stored as oldName takes the contact's name, moves under its (new) group or to
    // the root, and gets the contact's numbers anew. False when there is no such node or the new name is
    // another contact's.
    bool editContact(const QString& oldName, const clsContact& contact);

    // A group's node, first among the root's nodes when the tree holds at least two nodes, else after
    // them; it sorts its contacts. False when a group node has that key already.
    bool addGroup(const QString& description, quint32 colour);
    // The group node keyed oldName takes the new description as key and text, and the colour. False when
    // there is no such node or the new description is another group's.
    bool renameGroup(const QString& oldName, const QString& description, quint32 colour);
    // The group's node; contacts still under it go to the root first. False when there is none.
    bool removeGroup(const QString& description);

    QModelIndex groupIndex(const QString& description) const;
    QModelIndex contactIndex(const QString& name) const;
    QModelIndex numberIndex(const QString& contactName, const QString& numberText) const;
    QModelIndex find(const NodeRef& ref) const;
    std::optional<NodeRef> refOf(const QModelIndex& index) const;

    Kind kind(const QModelIndex& index) const;
    QString text(const QModelIndex& index) const;
    // The node's own colour (groups), or nothing for the view's default.
    std::optional<quint32> colour(const QModelIndex& index) const;

    // The node a refill selects when the selected one is gone: where a contact was removed, the next of its
    // siblings, else the one before it, else (the only one left under its group) the group. Exactly: when
    // the top node of the selected node's branch has fewer than two children, that top node; otherwise the
    // sibling after it, or the one before it when it is the last. Nothing when there is no such node.
    std::optional<NodeRef> fallbackFor(const QModelIndex& selected) const;

    // Where the selection goes when that node is removed: the next of its siblings, else the one before it,
    // else its parent (nothing at the root).
    std::optional<NodeRef> successorOf(const QModelIndex& removed) const;

    // Texts of a node's children, in order (tests and the screenshot read them).
    QStringList childTexts(const QModelIndex& parent = QModelIndex()) const;

private:
    struct Node;
    Node* node(const QModelIndex& index) const;
    QModelIndex indexOf(const Node* n) const;
    Node* parentFor(const clsContact& contact) const;
    int placeIn(const Node* parent, const QString& text, const Node* skip = nullptr) const;
    Node* insertNode(Node* parent, std::unique_ptr<Node> child);
    void addNumbers(Node* contactNode, const clsContact& contact);
    void removeChildren(Node* parent);
    void forgetKeys(Node* n);
    void moveNode(Node* n, Node* to);
    static void renumber(Node* parent, int from);

    int nodeCount(const Node* n) const;

    std::unique_ptr<Node> m_root;
    QHash<QString, Node*> m_groups;
    QHash<QString, Node*> m_contacts;
};

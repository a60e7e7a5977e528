#include "contacts/ContactTreeModel.h"

#include <algorithm>

#include "contacts/ContactListModel.h"
#include "platform/Colour.h"

struct ContactTreeModel::Node {
    Kind kind = Group;
    QString text;
    std::optional<quint32> colour;
    bool sortChildren = false;
    Node* parent = nullptr;
    int row = 0;
    std::vector<std::unique_ptr<Node>> children;
    // A contact node's numbers by their folded display text.
    QHash<QString, Node*> numbers;
};

namespace {

QString fold(const QString& key) { return key.toCaseFolded(); }

bool isNoGroup(const QString& group)
{
    return group.isEmpty() || group.compare(QLatin1String("<none>"), Qt::CaseInsensitive) == 0;
}

} // namespace

ContactTreeModel::ContactTreeModel(QObject* parent) : QAbstractItemModel(parent), m_root(std::make_unique<Node>()) {}

ContactTreeModel::~ContactTreeModel() = default;

ContactTreeModel::Node* ContactTreeModel::node(const QModelIndex& index) const
{
    return index.isValid() ? static_cast<Node*>(index.internalPointer()) : m_root.get();
}

QModelIndex ContactTreeModel::indexOf(const Node* n) const
{
    if (!n || n == m_root.get())
        return {};
    return createIndex(n->row, 0, const_cast<Node*>(n));
}

QModelIndex ContactTreeModel::index(int row, int column, const QModelIndex& parent) const
{
    const Node* p = node(parent);
    if (column != 0 || row < 0 || row >= int(p->children.size()))
        return {};
    return createIndex(row, 0, p->children[size_t(row)].get());
}

QModelIndex ContactTreeModel::parent(const QModelIndex& child) const
{
    if (!child.isValid())
        return {};
    return indexOf(node(child)->parent);
}

int ContactTreeModel::rowCount(const QModelIndex& parent) const
{
    if (parent.column() > 0)
        return 0;
    return int(node(parent)->children.size());
}

int ContactTreeModel::columnCount(const QModelIndex&) const { return 1; }

QVariant ContactTreeModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    const Node* n = node(index);
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return n->text;
    case Qt::ForegroundRole:
        if (n->colour)
            return Colour::fromBgr(*n->colour);
        return {};
    case KindRole:
        return int(n->kind);
    default:
        return {};
    }
}

Qt::ItemFlags ContactTreeModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (node(index)->kind == Number)
        f |= Qt::ItemNeverHasChildren;
    return f;
}

void ContactTreeModel::renumber(Node* parent, int from)
{
    for (int i = std::max(0, from); i < int(parent->children.size()); ++i)
        parent->children[size_t(i)]->row = i;
}

ContactTreeModel::Node* ContactTreeModel::parentFor(const clsContact& contact) const
{
    // A group that has no node (gone from the collection, or "<none>") puts the contact at the root, where
    // a refill would put it too.
    if (isNoGroup(contact.AttributeGroup))
        return m_root.get();
    Node* group = m_groups.value(fold(contact.AttributeGroup));
    return group ? group : m_root.get();
}

int ContactTreeModel::placeIn(const Node* parent, const QString& text, const Node* skip) const
{
    const bool skipping = skip && skip->parent == parent;
    if (!parent->sortChildren)
        return int(parent->children.size()) - (skipping ? 1 : 0);
    int lo = 0;
    int hi = int(parent->children.size()) - (skipping ? 1 : 0);
    auto at = [&](int i) -> const QString& {
        return parent->children[size_t(skipping && i >= skip->row ? i + 1 : i)]->text;
    };
    while (lo < hi) {
        const int mid = (lo + hi) / 2;
        if (contactTextLess(text, at(mid)))
            hi = mid;
        else
            lo = mid + 1;
    }
    return lo;
}

ContactTreeModel::Node* ContactTreeModel::insertNode(Node* parent, std::unique_ptr<Node> child)
{
    const int at = placeIn(parent, child->text);
    beginInsertRows(indexOf(parent), at, at);
    child->parent = parent;
    Node* raw = child.get();
    parent->children.insert(parent->children.begin() + at, std::move(child));
    renumber(parent, at);
    endInsertRows();
    return raw;
}

void ContactTreeModel::addNumbers(Node* contactNode, const clsContact& contact)
{
    std::vector<std::unique_ptr<Node>> fresh;
    QHash<QString, bool> seen;
    for (const auto& entry : contact.Numbers) {
        const QString text = entry.item->PrintNumberDescription();
        const QString key = fold(text);
        if (contactNode->numbers.contains(key) || seen.contains(key))
            continue;
        seen.insert(key, true);
        auto n = std::make_unique<Node>();
        n->kind = Number;
        n->text = text;
        fresh.push_back(std::move(n));
    }
    if (fresh.empty())
        return;
    const int first = int(contactNode->children.size());
    beginInsertRows(indexOf(contactNode), first, first + int(fresh.size()) - 1);
    for (auto& n : fresh) {
        n->parent = contactNode;
        contactNode->numbers.insert(fold(n->text), n.get());
        contactNode->children.push_back(std::move(n));
    }
    renumber(contactNode, first);
    endInsertRows();
}

void ContactTreeModel::removeChildren(Node* parent)
{
    if (parent->children.empty())
        return;
    beginRemoveRows(indexOf(parent), 0, int(parent->children.size()) - 1);
    for (auto& child : parent->children)
        forgetKeys(child.get());
    parent->children.clear();
    parent->numbers.clear();
    endRemoveRows();
}

void ContactTreeModel::forgetKeys(Node* n)
{
    if (n->kind == Contact && m_contacts.value(fold(n->text)) == n)
        m_contacts.remove(fold(n->text));
    else if (n->kind == Group && m_groups.value(fold(n->text)) == n)
        m_groups.remove(fold(n->text));
    else if (n->kind == Number && n->parent && n->parent->numbers.value(fold(n->text)) == n)
        n->parent->numbers.remove(fold(n->text));
    for (auto& child : n->children)
        forgetKeys(child.get());
}

void ContactTreeModel::fill(const KeyedCollection<clsAttributeGroup>& groups,
                            const KeyedCollection<clsContact>& contacts)
{
    beginResetModel();
    m_root = std::make_unique<Node>();
    m_groups.clear();
    m_contacts.clear();
    m_contacts.reserve(contacts.count());
    Node* root = m_root.get();
    for (const auto& entry : groups) {
        const QString key = fold(entry.item->Description);
        if (m_groups.contains(key))
            continue;
        auto g = std::make_unique<Node>();
        g->kind = Group;
        g->text = entry.item->Description;
        g->colour = quint32(entry.item->Color);
        g->sortChildren = true;
        g->parent = root;
        m_groups.insert(key, g.get());
        root->children.push_back(std::move(g));
    }
    for (const auto& entry : contacts) {
        const clsContact& contact = *entry.item;
        const QString key = fold(contact.Name);
        if (m_contacts.contains(key))
            continue;
        Node* parent = parentFor(contact);
        auto c = std::make_unique<Node>();
        c->kind = Contact;
        c->text = contact.Name;
        c->parent = parent;
        for (const auto& number : contact.Numbers) {
            const QString text = number.item->PrintNumberDescription();
            if (c->numbers.contains(fold(text)))
                continue;
            auto n = std::make_unique<Node>();
            n->kind = Number;
            n->text = text;
            n->parent = c.get();
            n->row = int(c->children.size());
            c->numbers.insert(fold(text), n.get());
            c->children.push_back(std::move(n));
        }
        m_contacts.insert(key, c.get());
        parent->children.push_back(std::move(c));
    }
    // Group children are sorted once here rather than placed one by one.
    for (auto& g : root->children) {
        if (g->kind == Group)
            std::stable_sort(g->children.begin(), g->children.end(),
                             [](const auto& a, const auto& b) { return contactTextLess(a->text, b->text); });
        renumber(g.get(), 0);
    }
    renumber(root, 0);
    endResetModel();
}

bool ContactTreeModel::addContact(const clsContact& contact)
{
    const QString key = fold(contact.Name);
    if (m_contacts.contains(key))
        return false;
    auto c = std::make_unique<Node>();
    c->kind = Contact;
    c->text = contact.Name;
    Node* added = insertNode(parentFor(contact), std::move(c));
    m_contacts.insert(key, added);
    addNumbers(added, contact);
    return true;
}

bool ContactTreeModel::removeContact(const QString& name)
{
    Node* n = m_contacts.value(fold(name));
    if (!n)
        return false;
    Node* p = n->parent;
    const int r = n->row;
    beginRemoveRows(indexOf(p), r, r);
    forgetKeys(n);
    p->children.erase(p->children.begin() + r);
    renumber(p, r);
    endRemoveRows();
    return true;
}

void ContactTreeModel::moveNode(Node* n, Node* to)
{
    Node* from = n->parent;
    const int r = n->row;
    const int at = placeIn(to, n->text, n);
    if (from == to && at == r)
        return;
    const int destination = (from == to && at > r) ? at + 1 : at;
    beginMoveRows(indexOf(from), r, r, indexOf(to), destination);
    std::unique_ptr<Node> taken = std::move(from->children[size_t(r)]);
    from->children.erase(from->children.begin() + r);
    renumber(from, r);
    taken->parent = to;
    to->children.insert(to->children.begin() + at, std::move(taken));
    renumber(to, 0);
    endMoveRows();
}

bool ContactTreeModel::editContact(const QString& oldName, const clsContact& contact)
{
    Node* n = m_contacts.value(fold(oldName));
    if (!n)
        return false;
    const QString newKey = fold(contact.Name);
    if (newKey != fold(oldName) && m_contacts.contains(newKey))
        return false;

    if (isNoGroup(contact.AttributeGroup) && n->parent != m_root.get()) {
        // Out of its group: the node goes and a root node with the numbers comes instead.
        removeContact(oldName);
        auto c = std::make_unique<Node>();
        c->kind = Contact;
        c->text = contact.Name;
        Node* added = insertNode(m_root.get(), std::move(c));
        m_contacts.insert(newKey, added);
        addNumbers(added, contact);
        return true;
    }

    m_contacts.remove(fold(oldName));
    m_contacts.insert(newKey, n);
    n->text = contact.Name;
    const QModelIndex changed = indexOf(n);
    Q_EMIT dataChanged(changed, changed);
    // Under its group (sorted among the group's contacts), or in place among the root's nodes.
    moveNode(n, parentFor(contact));
    removeChildren(n);
    addNumbers(n, contact);
    return true;
}

int ContactTreeModel::nodeCount(const Node* n) const
{
    int count = int(n->children.size());
    for (const auto& child : n->children) {
        count += nodeCount(child.get());
        if (count >= 2)
            break;
    }
    return count;
}

bool ContactTreeModel::addGroup(const QString& description, quint32 colour)
{
    const QString key = fold(description);
    if (description.isEmpty() || m_groups.contains(key))
        return false;
    Node* root = m_root.get();
    const int at = nodeCount(root) >= 2 ? 0 : int(root->children.size());
    auto g = std::make_unique<Node>();
    g->kind = Group;
    g->text = description;
    g->colour = colour;
    g->sortChildren = true;
    g->parent = root;
    beginInsertRows(QModelIndex(), at, at);
    m_groups.insert(key, g.get());
    root->children.insert(root->children.begin() + at, std::move(g));
    renumber(root, at);
    endInsertRows();
    return true;
}

bool ContactTreeModel::renameGroup(const QString& oldName, const QString& description, quint32 colour)
{
    Node* g = m_groups.value(fold(oldName));
    const QString key = fold(description);
    if (!g || description.isEmpty() || (key != fold(oldName) && m_groups.contains(key)))
        return false;
    m_groups.remove(fold(oldName));
    m_groups.insert(key, g);
    g->text = description;
    g->colour = colour;
    const QModelIndex changed = indexOf(g);
    Q_EMIT dataChanged(changed, changed);
    return true;
}

bool ContactTreeModel::removeGroup(const QString& description)
{
    Node* g = m_groups.value(fold(description));
    if (!g)
        return false;
    while (!g->children.empty())
        moveNode(g->children.back().get(), m_root.get());
    Node* root = m_root.get();
    const int r = g->row;
    beginRemoveRows(QModelIndex(), r, r);
    m_groups.remove(fold(description));
    root->children.erase(root->children.begin() + r);
    renumber(root, r);
    endRemoveRows();
    return true;
}

QModelIndex ContactTreeModel::groupIndex(const QString& description) const
{
    return indexOf(m_groups.value(fold(description)));
}

QModelIndex ContactTreeModel::contactIndex(const QString& name) const { return indexOf(m_contacts.value(fold(name))); }

QModelIndex ContactTreeModel::numberIndex(const QString& contactName, const QString& numberText) const
{
    const Node* c = m_contacts.value(fold(contactName));
    return c ? indexOf(c->numbers.value(fold(numberText))) : QModelIndex();
}

QModelIndex ContactTreeModel::find(const NodeRef& ref) const
{
    switch (ref.kind) {
    case Group:
        return groupIndex(ref.key);
    case Contact:
        return contactIndex(ref.key);
    case Number:
        return numberIndex(ref.contactKey, ref.key);
    }
    return {};
}

std::optional<ContactTreeModel::NodeRef> ContactTreeModel::refOf(const QModelIndex& index) const
{
    if (!index.isValid())
        return std::nullopt;
    const Node* n = node(index);
    NodeRef ref;
    ref.kind = n->kind;
    ref.key = n->text;
    if (n->kind == Number && n->parent)
        ref.contactKey = n->parent->text;
    return ref;
}

ContactTreeModel::Kind ContactTreeModel::kind(const QModelIndex& index) const
{
    return index.isValid() ? node(index)->kind : Group;
}

QString ContactTreeModel::text(const QModelIndex& index) const
{
    return index.isValid() ? node(index)->text : QString();
}

std::optional<quint32> ContactTreeModel::colour(const QModelIndex& index) const
{
    return index.isValid() ? node(index)->colour : std::nullopt;
}

std::optional<ContactTreeModel::NodeRef> ContactTreeModel::fallbackFor(const QModelIndex& selected) const
{
    if (!selected.isValid())
        return std::nullopt;
    const Node* s = node(selected);
    const Node* top = s;
    while (top->parent && top->parent != m_root.get())
        top = top->parent;
    if (top->children.size() < 2)
        return refOf(indexOf(top));
    const auto& siblings = s->parent->children;
    const Node* pick = nullptr;
    if (s == siblings.front().get())
        pick = siblings.size() > 1 ? siblings[1].get() : nullptr;
    else if (s == siblings.back().get())
        pick = siblings[siblings.size() - 2].get();
    else
        pick = siblings[size_t(s->row + 1)].get();
    return pick ? refOf(indexOf(pick)) : std::nullopt;
}

std::optional<ContactTreeModel::NodeRef> ContactTreeModel::successorOf(const QModelIndex& removed) const
{
    if (!removed.isValid())
        return std::nullopt;
    const Node* n = node(removed);
    const auto& siblings = n->parent->children;
    if (n->row + 1 < int(siblings.size()))
        return refOf(indexOf(siblings[size_t(n->row + 1)].get()));
    if (n->row > 0)
        return refOf(indexOf(siblings[size_t(n->row - 1)].get()));
    return refOf(indexOf(n->parent));
}

QStringList ContactTreeModel::childTexts(const QModelIndex& parent) const
{
    QStringList out;
    for (const auto& c : node(parent)->children)
        out << c->text;
    return out;
}

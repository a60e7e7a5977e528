#include "statswindow/ui/frmCustomizeStatistics.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include <optional>
#include <type_traits>

#include "core/SettingsKeys.h"
#include "core/WindowLinks.h"
#include "core/modProperties.h"
#include "core/ui/modMainGui.h"
#include "platform/Prompt.h"
#include "platform/Teardown.h"
#include "platform/Twips.h"
#include "platform/ui/ModalDialog.h"
#include "statistics/modStatistics.h"
#include "statswindow/ui/frmAddGroup.h"
#include "statswindow/ui/frmAddStatistic.h"
#include "statswindow/ui/frmStatistics.h"

using StatsCustomization::Kind;

namespace {

QPointer<frmCustomizeStatistics> g_dialog;

QPushButton* smallButton(QWidget* parent, const QString& name, const QString& text)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    b->setFixedWidth(Twips::toPixels(495));
    return b;
}

QListWidget* list(QWidget* parent, const char* name)
{
    auto* l = new QListWidget(parent);
    l->setObjectName(QLatin1String(name));
    l->setSelectionMode(QAbstractItemView::SingleSelection);
    // One line of text each: laid out without measuring every one of thousands of per-contact groups.
    l->setUniformItemSizes(true);
    return l;
}

} // namespace

frmCustomizeStatistics* frmCustomizeStatistics::instance(bool create)
{
    if (!g_dialog && create)
        g_dialog = new frmCustomizeStatistics(frmStatistics::instance(false));
    return g_dialog;
}

void frmCustomizeStatistics::showFor(QWidget* owner)
{
    frmCustomizeStatistics* d = instance();
    if (d->isVisible()) {
        d->raise();
        d->activateWindow();
        return;
    }
    RestoreFormPosition(d);
    ShowOwned(d, owner);
}

frmCustomizeStatistics::frmCustomizeStatistics(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmCustomizeStatistics"));
    setWindowTitle(QStringLiteral("Customize Statistics"));
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setWindowIcon(QIcon());
    setModal(false);

    lstStatistics = list(this, "lstStatistics");
    lstCurrentStatistics = list(this, "lstCurrentStatistics");
    lstGroups = list(this, "lstGroups");
    lstCurrentGroups = list(this, "lstCurrentGroups");
    const char* const moveText[4] = {">", ">>", "<", "<<"};
    for (int i = 0; i < 8; ++i) {
        cmdMove[i] = smallButton(this, QStringLiteral("cmdMove(%1)").arg(i), QString::fromLatin1(moveText[i / 2]));
        connect(cmdMove[i], &QPushButton::clicked, this, [this, i] { cmdMove_Click(i); });
    }
    for (int i = 0; i < 4; ++i) {
        // The arrows are drawn as characters every desktop font has.
        cmdUpDown[i] = smallButton(this, QStringLiteral("cmdUpDown(%1)").arg(i),
                                   i < 2 ? QStringLiteral("\u25B2") : QStringLiteral("\u25BC"));
        connect(cmdUpDown[i], &QPushButton::clicked, this, [this, i] { cmdUpDown_Click(i); });
    }
    struct Command {
        const char* name;
        const char* text;
        Kind kind;
        void (frmCustomizeStatistics::*handler)(Kind);
    };
    const Command commands[] = {
        {"cmdAddStatistic", "Add", Kind::Statistic, &frmCustomizeStatistics::addItem},
        {"cmdRemoveStatistic", "Remove", Kind::Statistic, &frmCustomizeStatistics::removeItem},
        {"cmdEditStatistic", "Edit", Kind::Statistic, &frmCustomizeStatistics::editItem},
        {"cmdAddGroup", "Add", Kind::Group, &frmCustomizeStatistics::addItem},
        {"cmdRemoveGroup", "Remove", Kind::Group, &frmCustomizeStatistics::removeItem},
        {"cmdEditGroup", "Edit", Kind::Group, &frmCustomizeStatistics::editItem},
    };
    QPushButton* itemButtons[6] = {};
    for (int i = 0; i < 6; ++i) {
        const Command c = commands[i];
        itemButtons[i] = new QPushButton(QString::fromLatin1(c.text), this);
        itemButtons[i]->setObjectName(QLatin1String(c.name));
        itemButtons[i]->setAutoDefault(false);
        // The three share their list's width, so both halves of the dialog stay as wide.
        itemButtons[i]->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        connect(itemButtons[i], &QPushButton::clicked, this, [this, c] { (this->*c.handler)(c.kind); });
    }
    cmdOK = new QPushButton(QStringLiteral("&OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setAutoDefault(false);
    cmdApply = new QPushButton(QStringLiteral("&Apply"), this);
    cmdApply->setObjectName(QStringLiteral("cmdApply"));
    cmdApply->setAutoDefault(false);
    connect(cmdOK, &QPushButton::clicked, this, &frmCustomizeStatistics::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmCustomizeStatistics::cmdCancel_Click);
    connect(cmdApply, &QPushButton::clicked, this, &frmCustomizeStatistics::cmdApply_Click);

    // A click picks the list's entry; a double click moves it across.
    const struct {
        QListWidget* widget;
        CustomizeList* list;
        int move;
    } lists[] = {{lstStatistics, &m_statistics, 0},
                 {lstGroups, &m_groups, 1},
                 {lstCurrentStatistics, &m_currentStatistics, 4},
                 {lstCurrentGroups, &m_currentGroups, 5}};
    for (const auto& l : lists) {
        CustomizeList* model = l.list;
        connect(l.widget, &QListWidget::currentRowChanged, this, [model](int row) { model->select(row); });
        const int move = l.move;
        connect(l.widget, &QListWidget::itemDoubleClicked, this, [this, move] { cmdMove_Click(move); });
    }

    // Statistics above, groups below; available lists left, current lists right, the moves between them.
    auto* grid = new QGridLayout(this);
    auto half = [&](int row, const char* availableCaption, const char* currentCaption, QListWidget* available,
                    QListWidget* current, int first, QPushButton* const* itemRow) {
        auto* a = new QLabel(QString::fromLatin1(availableCaption), this);
        auto* c = new QLabel(QString::fromLatin1(currentCaption), this);
        a->setBuddy(available);
        c->setBuddy(current);
        grid->addWidget(a, row, 0);
        grid->addWidget(c, row, 2);
        grid->addWidget(available, row + 1, 0);
        grid->addWidget(current, row + 1, 2);
        auto* moves = new QVBoxLayout;
        moves->addStretch();
        for (int k = 0; k < 4; ++k)
            moves->addWidget(cmdMove[first + 2 * k]);
        moves->addStretch();
        grid->addLayout(moves, row + 1, 1);
        auto* order = new QVBoxLayout;
        order->addStretch();
        order->addWidget(cmdUpDown[first]);
        order->addWidget(cmdUpDown[first + 2]);
        order->addStretch();
        grid->addLayout(order, row + 1, 3);
        auto* items = new QHBoxLayout;
        for (int k = 0; k < 3; ++k)
            items->addWidget(itemRow[k]);
        grid->addLayout(items, row + 2, 0);
    };
    half(0, "Available Statistics:", "Current Statistics:", lstStatistics, lstCurrentStatistics, 0, itemButtons);
    half(3, "Available Groups:", "Current Groups:", lstGroups, lstCurrentGroups, 1, itemButtons + 3);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(cmdOK);
    bottom->addWidget(cmdCancel);
    bottom->addWidget(cmdApply);
    grid->addLayout(bottom, 6, 0, 1, 4);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(2, 1);
    setFixedSize(Twips::toPixels(7350), Twips::toPixels(6540));

    SetOnTop(this, false);
    windowLinks().customizeStatisticsGroupsChanged = [] {
        if (g_dialog)
            g_dialog->groupsChanged();
    };
}

frmCustomizeStatistics::~frmCustomizeStatistics()
{
    detachChildren(this);
    windowLinks().customizeStatisticsGroupsChanged = nullptr;
}

void frmCustomizeStatistics::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    // Each opening shows the collections as they are.
    LoadStats();
    LoadGroups();
    for (CustomizeList* l : {&m_statistics, &m_currentStatistics, &m_groups, &m_currentGroups})
        l->select(l->isEmpty() ? -1 : 0);
    EnableButtons();
    showLists();
}

void frmCustomizeStatistics::closeEvent(QCloseEvent* event)
{
    SaveFormPosition(this, PlacePosition);
    event->accept();
}

void frmCustomizeStatistics::reject() { cmdCancel_Click(); }

void frmCustomizeStatistics::LoadStats()
{
    const StatsCustomization::Lists lists = StatsCustomization::StatisticLists();
    m_statistics.clear();
    m_currentStatistics.clear();
    m_currentStatistics.addAll(lists.current);
    m_statistics.addAll(lists.available);
    showLists();
}

void frmCustomizeStatistics::LoadGroups()
{
    const StatsCustomization::Lists lists = StatsCustomization::GroupLists();
    m_groups.clear();
    m_currentGroups.clear();
    m_currentGroups.addAll(lists.current);
    m_groups.addAll(lists.available);
    showLists();
}

void frmCustomizeStatistics::groupsChanged()
{
    if (!isVisible())
        return;
    // A chosen entry stays chosen wherever it lands: groups may come or go above it, and Edit or Remove must
    // not meet another group in its place. One that went leaves nothing chosen.
    const QString available = m_groups.selected() < 0 ? QString() : m_groups.selectedText();
    const QString current = m_currentGroups.selected() < 0 ? QString() : m_currentGroups.selectedText();
    LoadGroups();
    m_groups.select(available.isNull() ? -1 : int(m_groups.entries().indexOf(available)));
    m_currentGroups.select(current.isNull() ? -1 : int(m_currentGroups.entries().indexOf(current)));
    EnableButtons();
    showLists();
}

void frmCustomizeStatistics::showList(QListWidget* widget, const CustomizeList& list)
{
    const QSignalBlocker block(widget);
    if (widget->count() != list.count() || [&] {
            for (int i = 0; i < list.count(); ++i) {
                if (widget->item(i)->text() != list.at(i))
                    return true;
            }
            return false;
        }()) {
        widget->clear();
        widget->addItems(list.entries());
        SetListScrollWidth(widget);
    }
    widget->setCurrentRow(list.selected());
    if (list.selected() < 0)
        widget->clearSelection();
}

void frmCustomizeStatistics::showLists()
{
    showList(lstStatistics, m_statistics);
    showList(lstCurrentStatistics, m_currentStatistics);
    showList(lstGroups, m_groups);
    showList(lstCurrentGroups, m_currentGroups);
}

void frmCustomizeStatistics::EnableButtons()
{
    const CustomizeButtons b = ::EnableButtons(m_statistics, m_currentStatistics, m_groups, m_currentGroups);
    for (int i = 0; i < 8; ++i)
        cmdMove[i]->setEnabled(b.move[i]);
    for (int i = 0; i < 4; ++i)
        cmdUpDown[i]->setEnabled(b.upDown[i]);
}

void frmCustomizeStatistics::setApplyEnabled(bool enabled)
{
    cmdApply->setEnabled(enabled);
    cmdOK->setEnabled(enabled);
}

void frmCustomizeStatistics::cmdMove_Click(int index)
{
    if (index % 2)
        MoveListItems(index, m_groups, m_currentGroups);
    else
        MoveListItems(index, m_statistics, m_currentStatistics);
    showLists();
    EnableButtons();
}

void frmCustomizeStatistics::cmdUpDown_Click(int index)
{
    CustomizeList& list = index % 2 ? m_currentGroups : m_currentStatistics;
    if (list.selected() < 0)
        return;
    MoveCurrentItem(index, list);
    showLists();
}

void frmCustomizeStatistics::itemsChanged(Kind kind)
{
    frmStatistics* window = frmStatistics::instance(false);
    if (kind == Kind::Statistic) {
        if (window)
            window->RefreshGraphStatsList();
        // The pop-up's choice of caller statistics lists every statistic too.
        if (windowLinks().customizeMiniDisplayLoadCallerInfoList)
            windowLinks().customizeMiniDisplayLoadCallerInfoList();
    } else if (window) {
        window->RefreshGraphGroupList();
    }
}

namespace {

// What an editor handed back when it closed; an empty description means nothing is to be saved.
struct EditorResult {
    QString description, condition, style;
};

// Runs the editor modal over the dialog. The dialog, and the editor with it, may go while it waits (the
// program ends): then there is no result and the caller must not touch the dialog any more.
template <typename Editor>
std::optional<EditorResult> runEditor(QPointer<Editor> editor, const QPointer<frmCustomizeStatistics>& dialog)
{
    execDialog(*editor);
    if (!dialog || !editor)
        return std::nullopt;
    EditorResult result;
    result.description = editor->Description();
    if constexpr (std::is_same_v<Editor, frmAddStatistic>) {
        result.condition = editor->Statistic();
        result.style = editor->Style();
    } else {
        result.condition = editor->Group();
    }
    delete editor.data();
    return result;
}

} // namespace

void frmCustomizeStatistics::addItem(Kind kind)
{
    const QPointer<frmCustomizeStatistics> self(this);
    std::optional<EditorResult> result;
    if (kind == Kind::Statistic) {
        QPointer<frmAddStatistic> editor = new frmAddStatistic(this);
        editor->setWindowTitle(QStringLiteral("Add Statistic"));
        editor->setMode(QStringLiteral("add"));
        result = runEditor(editor, self);
    } else {
        QPointer<frmAddGroup> editor = new frmAddGroup(this);
        editor->setWindowTitle(QStringLiteral("Add Group"));
        editor->setMode(QStringLiteral("add"));
        result = runEditor(editor, self);
    }
    if (!result || result->description.isEmpty())
        return;
    const QString& description = result->description;
    const bool added = kind == Kind::Statistic
                           ? StatsCustomization::AddStatistic(description, result->condition, result->style)
                           : StatsCustomization::AddGroup(description, result->condition);
    if (!added) {
        // The name was free when the editor checked it; an item of that name came after.
        Prompt::message(StatsCustomization::AddedMeanwhileMessage(kind, description), Prompt::OkOnly,
                        Prompt::Exclamation);
        return;
    }
    (kind == Kind::Statistic ? m_statistics : m_groups).add(description);
    EnableButtons();
    showLists();
    itemsChanged(kind);
}

void frmCustomizeStatistics::editItem(Kind kind)
{
    CustomizeList& list = kind == Kind::Statistic ? m_statistics : m_groups;
    if (list.selected() < 0) {
        Prompt::message(StatsCustomization::SelectMessage(kind, false), Prompt::OkOnly, Prompt::Critical);
        return;
    }
    // The item is known by its description alone across the editor: the lists may be filled again meanwhile
    // (the per-contact groups change), and the item itself may change or go.
    const QString old = list.selectedText();
    const StatsCustomization::ItemState before = StatsCustomization::StateOf(kind, old);
    const QPointer<frmCustomizeStatistics> self(this);
    std::optional<EditorResult> result;
    if (kind == Kind::Statistic) {
        QPointer<frmAddStatistic> editor = new frmAddStatistic(this);
        if (!before.custom)
            editor->Disable(); // a built-in statistic can be looked at, not changed
        editor->setMode(QStringLiteral("edit"), old);
        editor->setWindowTitle(QStringLiteral("Edit Statistic"));
        editor->fill(before.description, before.condition, before.style);
        result = runEditor(editor, self);
    } else {
        QPointer<frmAddGroup> editor = new frmAddGroup(this);
        if (!before.custom)
            editor->Disable();
        editor->setMode(QStringLiteral("edit"), old);
        editor->setWindowTitle(QStringLiteral("Edit Group"));
        editor->fill(before.description, before.condition);
        result = runEditor(editor, self);
    }
    if (!result || result->description.isEmpty())
        return;
    const QString& description = result->description;
    // Saved over an item that changed meanwhile, the edit would undo that change unseen.
    if (StatsCustomization::StateOf(kind, old) != before) {
        Prompt::message(StatsCustomization::ChangedMeanwhileMessage(kind, old), Prompt::OkOnly, Prompt::Exclamation);
        return;
    }
    const bool edited = kind == Kind::Statistic
                            ? StatsCustomization::EditStatistic(old, description, result->condition, result->style)
                            : StatsCustomization::EditGroup(old, description, result->condition);
    if (!edited) {
        // The item is as it was, so the new name is what another item took meanwhile.
        Prompt::message(StatsCustomization::AddedMeanwhileMessage(kind, description), Prompt::OkOnly,
                        Prompt::Exclamation);
        return;
    }
    // The entry keeps its place (the lists may have been filled again while the editor was open).
    list.replaceAt(int(list.entries().indexOf(old)), description);
    EnableButtons();
    showLists();
    itemsChanged(kind);
}

void frmCustomizeStatistics::removeItem(Kind kind)
{
    CustomizeList& list = kind == Kind::Statistic ? m_statistics : m_groups;
    if (list.selected() < 0) {
        Prompt::message(StatsCustomization::SelectMessage(kind, true), Prompt::OkOnly, Prompt::Critical);
        return;
    }
    const QString description = list.selectedText();
    if (!StatsCustomization::IsCustom(kind, description)) {
        Prompt::message(StatsCustomization::IntrinsicMessage(kind), Prompt::OkOnly, Prompt::Critical);
        return;
    }
    const QPointer<frmCustomizeStatistics> self(this);
    if (textToBool(GetProperty(Section::frmConfiguration, Key::ConfirmDeletion, QStringLiteral("True"))) &&
        Prompt::message(StatsCustomization::RemoveQuestion(kind), Prompt::YesNo, Prompt::Exclamation) != Prompt::Yes)
        return;
    // The dialog went while the question waited (the program ends): nothing more to do.
    if (!self)
        return;
    if (!StatsCustomization::IsCustom(kind, description)) {
        Prompt::message(StatsCustomization::ChangedMeanwhileMessage(kind, description), Prompt::OkOnly,
                        Prompt::Exclamation);
        return;
    }
    list.removeAt(int(list.entries().indexOf(description)));
    EnableButtons();
    showLists();
    StatsCustomization::Remove(kind, description);
    itemsChanged(kind);
}

void frmCustomizeStatistics::cmdApply_Click()
{
    // Not while the statistics window waits for its server.
    if (!cmdApply->isEnabled())
        return;
    StatsCustomization::ApplyCurrent(m_currentStatistics.entries(), m_currentGroups.entries());
    if (frmStatistics* window = frmStatistics::instance(false))
        window->GenerateStatistics();
}

void frmCustomizeStatistics::cmdOK_Click()
{
    // The grid that Apply asks for may run at once and yield; the program may end meanwhile and take this
    // dialog with the statistics window.
    const QPointer<frmCustomizeStatistics> self(this);
    cmdApply_Click();
    if (self)
        close();
}

void frmCustomizeStatistics::cmdCancel_Click() { close(); }

#pragma once

#include <QDialog>
#include <QPointer>

#include "statswindow/CustomizeLists.h"
#include "statswindow/StatsCustomization.h"

class QLabel;
class QListWidget;
class QPushButton;

// The customize statistics dialog: which statistics (grid columns) and groups (grid rows) the statistics window
// shows and in what order, and the user-made statistics and groups.
//
// The choice and order wait in the dialog's lists until Apply or OK puts them into the current collections and
// recomputes the grid; Cancel drops them. Adding, editing and removing an item acts at once on the collections
// and the statistics file, whatever follows. The lists' order is kept in CustomizeList, never by the list
// widgets. One instance, owned by the statistics window and only hidden when it closes; Apply and OK are
// disabled while the window waits for its server (frmStatistics::Freeze).
class frmCustomizeStatistics : public QDialog {
    Q_OBJECT
public:
    // The dialog, made (hidden, owned by the statistics window) when create is set and there is none yet.
    static frmCustomizeStatistics* instance(bool create = true);
    // Shows it modeless, owned by owner (the statistics window).
    static void showFor(QWidget* owner);
    ~frmCustomizeStatistics() override;

    // Refill the two statistics lists, or the two group lists, from the collections; pending moves are lost.
    void LoadStats();
    void LoadGroups();
    // Every window offers it; this one has no tips.
    Q_INVOKABLE void AddHints() {}
    void setApplyEnabled(bool enabled);
    void cmdApply_Click();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    explicit frmCustomizeStatistics(QWidget* parent = nullptr);

    void EnableButtons();
    void cmdMove_Click(int index);
    void cmdUpDown_Click(int index);
    void addItem(StatsCustomization::Kind kind);
    void editItem(StatsCustomization::Kind kind);
    void removeItem(StatsCustomization::Kind kind);
    void cmdOK_Click();
    void cmdCancel_Click();
    // The per-contact groups changed while the dialog is open: the group lists again, the same groups chosen.
    void groupsChanged();
    // The other windows that list statistics or groups see the change.
    void itemsChanged(StatsCustomization::Kind kind);
    // The list widgets show the lists.
    void showLists();
    void showList(QListWidget* widget, const CustomizeList& list);

    QListWidget* lstStatistics = nullptr;
    QListWidget* lstCurrentStatistics = nullptr;
    QListWidget* lstGroups = nullptr;
    QListWidget* lstCurrentGroups = nullptr;
    QPushButton* cmdMove[8] = {};
    QPushButton* cmdUpDown[4] = {};
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;
    QPushButton* cmdApply = nullptr;

    CustomizeList m_statistics{true};
    CustomizeList m_currentStatistics{false};
    CustomizeList m_groups{true};
    CustomizeList m_currentGroups{true};
};

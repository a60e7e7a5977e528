#pragma once

#include "statswindow/ui/StatisticEditor.h"

class QListWidget;
class QListWidgetItem;

// The group editor: description and condition; ticking contacts rewrites the condition from all the ticked
// contacts' numbers.
class frmAddGroup : public StatisticEditorBase {
    Q_OBJECT
public:
    explicit frmAddGroup(QWidget* parent = nullptr);

    QString Group() const { return m_group; }

    void fill(const QString& description, const QString& group);
    void Disable();
    Q_INVOKABLE void AddHints();
    // Ticks the contacts whose numbers all occur in the condition box, leaving the condition as it is.
    void CheckNames();
    void CheckContact(const QString& name);

private:
    void clearOwnResults() override;
    void storeOwnResults() override;
    void firstShow() override;
    void lstContact_ItemCheck(QListWidgetItem* item);

    QListWidget* lstContact = nullptr;
    QPlainTextEdit* txtGroup = nullptr;
    QString m_group;
    // Ticks made by the editor itself (CheckContact) do not rewrite the condition.
    bool m_ignoreChecks = false;
};

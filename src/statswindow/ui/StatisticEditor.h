#pragma once

#include <QDialog>
#include <QList>
#include <QString>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// The two modal editors of the customize statistics dialog: one statistic (description, condition, style) and
// one group (description, condition, which ticking contacts writes). The caller sets the caption and the mode
// ("add" or "edit"), fills the boxes when editing (Disable for a built-in item, which can then only be looked
// at), runs the editor modal and reads the result fields afterwards: an empty Description means nothing is to be
// saved. An editor never touches the collections; it checks the description and hands back texts.
//
// The description box takes no "/", ";", "'" or "|", typed or pasted, and at most 49 characters. Saving
// refuses an empty description and, when adding, one that another item has (case ignored); when editing, one
// that another item than the edited one has.
class StatisticEditorBase : public QDialog {
    Q_OBJECT
public:
    // "add" switches the duplicate test on for every item; any other mode tests every item but the one whose
    // description is originalDescription.
    void setMode(const QString& mode, const QString& originalDescription = QString());
    QString Description() const { return m_description; }

protected:
    StatisticEditorBase(const char* name, bool group, QWidget* parent);

    // Registers the tips when hints are on; texts per control name.
    void addHints(const QList<QPair<QWidget*, QString>>& tips);
    void showEvent(QShowEvent* event) override;
    // Greys and locks the two text boxes and disables Save and the given control (style list, contact list).
    void disableWith(QWidget* choice, QPlainTextEdit* condition);
    // True (result set, editor closing) when the description is accepted.
    bool acceptDescription();
    void clearResults();
    virtual void clearOwnResults() = 0;
    virtual void storeOwnResults() = 0;
    virtual void firstShow() = 0;
    void cmdSave_Click();
    void cmdCancel_Click();

    QLabel* lblDescription = nullptr;
    QLineEdit* txtDescription = nullptr;
    QPushButton* cmdSave = nullptr;
    QPushButton* cmdCancel = nullptr;

private:
    void txtDescription_Change(const QString& text);

    bool m_group;
    QString m_mode;
    QString m_original;
    QString m_description;
};

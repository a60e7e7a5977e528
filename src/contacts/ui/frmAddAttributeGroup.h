#pragma once

#include <QDialog>
#include <QString>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The attribute-group editor: a group's description, colour, block flag and sound. The contact book shows
// it modal for Add (Tag "add", caption "Add Attribute Group") and Edit (Tag "edit", caption "Edit Attribute
// Group", the controls filled from the group first). The four results stay readable after it closes; an
// empty Description means the user cancelled.
class frmAddAttributeGroup : public QDialog {
    Q_OBJECT
public:
    explicit frmAddAttributeGroup(QWidget* parent = nullptr);
    ~frmAddAttributeGroup() override;

    QString Description;
    qint32 Color = 0;
    bool Block = false;
    QString Sound;

    // "add" or "edit"; editing keeps the group's own name (ownName) from counting as a duplicate.
    void setMode(const QString& tag, const QString& ownName = QString());
    // Fills the controls from a group (edit).
    void fill(const QString& description, qint32 colour, bool block, const QString& sound);
    // The colour box's colour (blue-green-red).
    qint32 shownColour() const { return m_colour; }

    Q_INVOKABLE void AddHints();
    void FillSoundList();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void cmdSave_Click();
    void cmdCancel_Click();
    void cmdSoundBrowse_Click();
    void cmdTestSound_Click();
    void cmdStopTest_Click();
    void picColor_Click();

    QLabel* Label1 = nullptr;
    QLineEdit* txtDescription = nullptr;
    QGroupBox* fraAttributes = nullptr;
    QLabel* Label2 = nullptr;
    QPushButton* picColor = nullptr;
    QCheckBox* chkBlock = nullptr;
    QGroupBox* fraSound = nullptr;
    QLabel* Label3 = nullptr;
    QComboBox* cboSound = nullptr;
    QPushButton* cmdSoundBrowse = nullptr;
    QPushButton* cmdTestSound = nullptr;
    QPushButton* cmdStopTest = nullptr;
    QPushButton* cmdSave = nullptr;
    QPushButton* cmdCancel = nullptr;

    void setColour(qint32 bgr);

    QString m_ownName;
    qint32 m_colour = 0;
    bool m_testing = false;
};

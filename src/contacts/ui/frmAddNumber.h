#pragma once

#include <QDialog>
#include <QString>

class QComboBox;
class QLabel;
class QPushButton;

// One number of a contact and its description, typed in any form and kept in the standard one. The contact
// book shows it modal for Add (caption "Add Number") and Edit (the caller sets "Edit Number" and the two
// texts first). The results stay readable after the dialog closes; both are empty unless OK accepted.
class frmAddNumber : public QDialog {
    Q_OBJECT
public:
    explicit frmAddNumber(QWidget* parent = nullptr);

    // The line being edited: its number and description in the boxes.
    void Prefill(const QString& number, const QString& description);
    QString Number() const { return m_number; }
    QString Description() const { return m_description; }

    Q_INVOKABLE void AddHints();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void cmdOK_Click();
    void cmdCancel_Click();

    QLabel* Label1 = nullptr;
    QComboBox* cmbNumber = nullptr;
    QLabel* Label2 = nullptr;
    QComboBox* cmbDescription = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

    QString m_number;
    QString m_description;
};

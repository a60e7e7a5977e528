#pragma once

#include <QDialog>
#include <QPointer>
#include <QString>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

// The two small dialogs that turn a caller into contact data without the contact book: the opener fills
// them, shows them modal over its window (tag "MINI DISPLAY" from the pop-up, which keeps them above the
// pop-up), reads the results after they close and stores or sends the change itself. Results are empty
// unless OK accepted.

// What both dialogs share: the opener's window is the dialog's owner, not its parent. The dialog is shown
// over it and kept above it, but never deleted with it: the pop-up or a main window may go while the dialog
// waits (the program ending unloads every window), and the dialog belongs to the opener's command, which
// made it on its stack. It closes as cancelled instead, and the command deletes it when it returns.
class PickerDialog : public QDialog {
public:
    void setVisible(bool visible) override;

protected:
    explicit PickerDialog(QWidget* owner);
    bool event(QEvent* event) override;

private:
    QPointer<QWidget> m_owner;
    bool m_shown = false;
};

// "Select A Contact": an existing contact and a description for the caller's number.
class frmSelectContact : public PickerDialog {
    Q_OBJECT
public:
    explicit frmSelectContact(QWidget* owner = nullptr);

    QString Tag;
    QString ContactName() const { return m_contactName; }
    QString Description() const { return m_description; }

    // The dialog has no tool tips.
    void AddHints() {}

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void cmdOK_Click();
    void cmdCancel_Click();

    QLabel* Label1 = nullptr;
    QListWidget* lstContacts = nullptr;
    QLabel* Label2 = nullptr;
    QComboBox* cmbDescription = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;
    QString m_contactName;
    QString m_description;
};

// "New Contact Info": the name, the number (kept in the standard form) and its description of a new contact.
class frmNewContact : public PickerDialog {
    Q_OBJECT
public:
    explicit frmNewContact(QWidget* owner = nullptr);

    QString Tag;
    // What the opener proposes: the caller's name in txtName, its number in cmbNumber.
    void Prefill(const QString& name, const QString& number);
    QString ContactName() const { return m_contactName; }
    QString Number() const { return m_number; }
    QString Description() const { return m_description; }

    void AddHints() {}

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void cmdOK_Click();
    void cmdCancel_Click();

    QLabel* Label1 = nullptr;
    QLineEdit* txtName = nullptr;
    QLabel* Label3 = nullptr;
    QComboBox* cmbNumber = nullptr;
    QLabel* Label2 = nullptr;
    QComboBox* cmbDescription = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;
    QString m_contactName;
    QString m_number;
    QString m_description;
};

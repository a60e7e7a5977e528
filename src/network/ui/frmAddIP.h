#pragma once

#include <QDialog>
#include <QString>

class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

// "Add IP": asks for one access-list entry, an IPv4 address (the connected clients' addresses are offered)
// and whether it is restricted or blocked. The options dialog opens it:
//
//     const QString entry = frmAddIP::Ask(this);   // "192.168.0.20 R", "10.0.0.5 B", or "" for nothing
//
// An address that is not four numbers from 0 to 255 separated by dots gives "Invalid IP entry" and the
// dialog stays open.
class frmAddIP : public QDialog {
    Q_OBJECT
public:
    explicit frmAddIP(QWidget* parent = nullptr);

    // Shows the dialog modal over owner and gives the entry made by OK: the address followed by " R" or
    // " B"; "" when the dialog was cancelled or left with an empty address.
    static QString Ask(QWidget* owner);

    // The entry of the last OK; "" after Cancel, an empty address, and when the dialog is shown again.
    QString IPAddress() const { return m_ipAddress; }

    Q_INVOKABLE void AddHints();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void cmdOK_Click();
    void cmdCancel_Click();

    QLabel* Label1 = nullptr;
    QComboBox* cmbIP = nullptr;
    QGroupBox* Frame1 = nullptr;
    QRadioButton* optRestricted = nullptr;
    QRadioButton* optBlocked = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

    QString m_ipAddress;
};

#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

// The dialog "Add Recipient": one address of at most 49 characters. Nothing in the program opens it. Every
// resize starts it empty; Cancel empties it and closes. OK has no use yet and is shown disabled.
class frmAddRecipient : public QDialog {
    Q_OBJECT
public:
    static constexpr int MaxLength = 49;

    explicit frmAddRecipient(QWidget* parent = nullptr);

    QString Recipient() const { return m_recipient; }
    void AddHints() {}

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void cmdCancel_Click();

    QLabel* lblRecipient = nullptr;
    QLineEdit* txtRecipient = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;
    QString m_recipient;
};

#pragma once

#include <QDialog>

class QComboBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;
class QRadioButton;

// "Find Contact": searches the contact file by a pattern on one of four fields and lists the names found;
// Display shows the chosen one in the contact book. One program-wide window, modeless, owned by the book.
class frmFindContact : public QDialog {
    Q_OBJECT
public:
    // The window, created (not shown) on first use.
    static frmFindContact* instance(bool create = true);
    static frmFindContact* showOwnedBy(QWidget* owner);
    ~frmFindContact() override;

    void AddHints() {}
    void LoadConditions();
    void cmdFind_Click();
    void cmdDisplay_Click();
    void cmdClose_Click() { close(); }
    // The chosen search field, 0 to 3.
    int field() const;

    QLabel* Label1 = nullptr;
    QComboBox* cboConditions = nullptr;
    QGroupBox* Frame1 = nullptr;
    QRadioButton* optField[4] = {};
    QLabel* Label2 = nullptr;
    QListWidget* lstResults = nullptr;
    QLabel* label3 = nullptr;
    QLabel* lblRecords = nullptr;
    QPushButton* cmdFind = nullptr;
    QPushButton* cmdDisplay = nullptr;
    QPushButton* cmdClose = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    frmFindContact();
    void Form_Resize();
};

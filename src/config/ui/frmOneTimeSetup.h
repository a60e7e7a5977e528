#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;

// The first-run dialog: asks once for the modem's port.
class frmOneTimeSetup : public QDialog {
    Q_OBJECT
public:
    explicit frmOneTimeSetup(QWidget* parent = nullptr);

    void AddHints() {}
    void cmdOK_Click();

    QLabel* lblInfo = nullptr;
    QLabel* lblPort = nullptr;
    QComboBox* cboPort = nullptr;
    QPushButton* cmdOK = nullptr;
};

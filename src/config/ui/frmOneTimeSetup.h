#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;

// The first-run dialog: asks once for the modem's port, offering the numbered ports and then the serial
// devices this machine has (so a USB modem can be chosen at the first start), found in deviceFolder.
class frmOneTimeSetup : public QDialog {
    Q_OBJECT
public:
    explicit frmOneTimeSetup(QWidget* parent = nullptr, const QString& deviceFolder = QStringLiteral("/dev"));

    void AddHints() {}
    void cmdOK_Click();

    QLabel* lblInfo = nullptr;
    QLabel* lblPort = nullptr;
    QComboBox* cboPort = nullptr;
    QPushButton* cmdOK = nullptr;
};

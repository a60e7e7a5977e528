#pragma once

#include <QDialog>
#include <QIcon>

class QFrame;
class QLabel;
class QPushButton;

// The about box "About Velquon": the program's title and version (from the build), its icon, the maker's
// notices and two links to the maker (mail and web site), opened by the desktop. Shown modal.
class frmAbout : public QDialog {
    Q_OBJECT
public:
    // icon: the picture of the open port from the main window's pictures ("gicon").
    explicit frmAbout(const QIcon& icon = QIcon(), QWidget* parent = nullptr);

    // The version shown: major, minor and revision numbers joined by ".".
    static QString versionText();
    // Where the two links lead.
    static QString emailLink();
    static QString websiteLink();

    void AddHints() {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void cmdOK_Click() { accept(); }
    void lblEmail_Click();
    void lblWebsite_Click();
    void setLinkColour(QLabel* link, quint32 bgr);

    QFrame* Frame1 = nullptr;
    QLabel* lblTitle = nullptr;
    QLabel* picIcon = nullptr;
    QLabel* lblEmail = nullptr;
    QLabel* lblWebsite = nullptr;
    QPushButton* cmdOK = nullptr;
};

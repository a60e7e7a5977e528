#pragma once

#include <QLabel>
#include <QPushButton>
#include <QWidget>

#include "popup/modLoggedRecord.h"

// One call as the log holds it, read-only. Opened from the pop-up it stays above the pop-up (unless the
// user switched that off); opened from the main window it is an ordinary window.
class frmOriginalCallerIDInfo : public QWidget {
    Q_OBJECT
public:
    static frmOriginalCallerIDInfo* instance(bool create = true);

    // Fills the five values in place (a second request overwrites them) and shows the window modeless.
    // tag is "MINI DISPLAY" when the pop-up asks, empty otherwise.
    void showRecord(const LoggedRecord& record, const QString& tag, QWidget* owner = nullptr);

    // The values on show: what a record gone from the log opens with.
    LoggedRecord shown() const;

    QString Tag;

    // The window has no tool tips.
    void AddHints() {}

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    frmOriginalCallerIDInfo();
    void cmdOK_Click() { close(); }

    void applyTag();

    QLabel* lblName = nullptr;
    QLabel* lblNumber = nullptr;
    QLabel* lblTime = nullptr;
    QLabel* lblRings = nullptr;
    QLabel* lblAnswered = nullptr;
    QPushButton* cmdOK = nullptr;
};

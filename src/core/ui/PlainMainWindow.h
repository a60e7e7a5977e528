#pragma once

#include <QMainWindow>

#include "core/MainWindow.h"

class QLabel;
class QListView;
class QTimer;

// A plain main window: caption, event list and status bar, nothing more. It stands in for a mode's main
// window where the full one is not part of this build, so start-up, the event list and shut-down work
// (and are tested) in every mode.
class PlainMainWindow : public QMainWindow, public MainWindow {
    Q_OBJECT
public:
    explicit PlainMainWindow(bool client, QWidget* parent = nullptr);
    ~PlainMainWindow() override;

    void setStatusText(const QString& text) override;
    void setCaption(const QString& caption) override;
    void showWindow() override;
    bool isWindowVisible() const override { return isVisible(); }
    void Unload() override;
    void showAndRaise() override;
    void eventAdded(int row) override;

    bool isClient() const { return m_client; }
    // How often a later start asked this window to come forward.
    int raiseRequests() const { return m_raiseRequests; }

    QListView* lstEventsView = nullptr;
    QLabel* StatusBarPanel1 = nullptr;
    QTimer* StatusTimer = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void StatusTimer_Timer();

    bool m_client = false;
    bool m_exiting = false;
    int m_raiseRequests = 0;
};

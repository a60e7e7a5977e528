#pragma once

#include <QWidget>

class QAction;
class QCheckBox;
class QMenu;
class QPushButton;
class QTextEdit;

// The activity-log viewer "Activity Log": the file ActivityLog.dat of the program folder as it was when the
// window opened, one event a line without the quotes the file keeps them in. The user wraps the lines,
// copies the selection and clears the log, which deletes the file (the next event starts a new one). One
// program-wide window, shown modeless and owned by the main window; closing it only hides it.
class frmActivityLog : public QWidget {
    Q_OBJECT
public:
    static frmActivityLog* instance(bool create = true);
    ~frmActivityLog() override;

    void LoadActivity();
    Q_INVOKABLE void AddHints();
    void setVisible(bool visible) override;

    // The log file the window shows.
    static QString logPath();
    // How much of the end of a large log the window reads: its newest lines, at once.
    static constexpr qint64 ViewBytes = 256 * 1024;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    frmActivityLog();
    void Form_Load();
    void Form_Resize();
    void SaveSettings();
    void applyWordWrap();
    void cmdCopy_Click();
    void cmdClear_Click();
    void showPopupMenu(const QPoint& at);

    QTextEdit* rtbActivity = nullptr;
    QCheckBox* chkWordWrap = nullptr;
    QPushButton* cmdCopy = nullptr;
    QPushButton* cmdClear = nullptr;
    QPushButton* cmdClose = nullptr;
    QMenu* mnuPopupMenu = nullptr;
    QAction* mnuPopupMenuCopy = nullptr;
    QAction* mnuPopupMenuClear = nullptr;
    bool blnResizing = false;
    bool blnScrollToEnd = false;
    bool m_open = false; // loaded since it was last closed
};

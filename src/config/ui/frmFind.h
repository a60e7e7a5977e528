#pragma once

#include <QList>
#include <QWidget>

class PopupVibrator;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QStackedLayout;
class QTabBar;

// The search window "Find": four pages (a name or number, checked contacts, a date range, free SQL) build
// one query on the call log that becomes the main window's view (CallLogSearch does the work). One
// program-wide window, shown modeless and owned by the main window. Closing it only hides it; its inputs of
// the last valid searches come back the next time it opens. Its size is fixed, and it is set up when it
// opens, never on a resize, so nothing typed is wiped while it stays open.
class frmFind : public QWidget {
    Q_OBJECT
public:
    static frmFind* instance(bool create = true);
    ~frmFind() override;

    // Refills the contact list from the contact book (every check is lost).
    void UpdateContactNames();
    Q_INVOKABLE void AddHints();
    // Shows the view's query and its record count (the main window calls these through its links).
    void setCurrentSQL(const QString& sql);
    void setRecords(qint64 records);

    // The shake after the histories were emptied; running while the window shakes.
    bool isShaking() const;

    void setVisible(bool visible) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    frmFind();
    void Form_Load();
    void setUp();
    void tbsFind_Click();
    void cmdFind_Click();
    void cmdNavigateSQL_Click(int index);
    void cmdCopyPasteCustomSQL_Click();
    void cmdClearCustomSQL_Click();
    void cmdSelectAll_Click();
    void cmdUnselectAll_Click();
    void lblSecret_DblClick();
    void VibrateForm();
    void nextTab();
    int activePage() const;
    void LoadNameNumberHistory();
    void LoadStartDateHistory();
    void LoadEndDateHistory();
    static void loadCombo(QComboBox* box, const QStringList& items);
    static void focusSelected(QWidget* box);

    QTabBar* tbsFind = nullptr;
    QStackedLayout* m_pages = nullptr;
    QList<QWidget*> picFind;
    QComboBox* cboNameNumber = nullptr;
    QCheckBox* chkNameField = nullptr;
    QCheckBox* chkNumberField = nullptr;
    QListWidget* lstContacts = nullptr;
    QPushButton* cmdSelectAll = nullptr;
    QPushButton* cmdUnselectAll = nullptr;
    QComboBox* cboStartingDate = nullptr;
    QComboBox* cboEndingDate = nullptr;
    QLineEdit* txtCustomSQL = nullptr;
    QList<QPushButton*> cmdNavigateSQL; // 0 newer (right), 1 older (left)
    QPushButton* cmdClearCustomSQL = nullptr;
    QLineEdit* txtCurrentSQL = nullptr;
    QPushButton* cmdCopyPasteCustomSQL = nullptr;
    QPushButton* cmdFind = nullptr;
    QPushButton* cmdCancel = nullptr;
    QLabel* lblSecret = nullptr;
    QLabel* lblRecords = nullptr;
    PopupVibrator* m_shaker = nullptr;
    QList<QWidget*> m_hiddenForShake;
    bool m_open = false; // set up since it was last closed
};

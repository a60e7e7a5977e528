#pragma once

#include <QDialog>
#include <QPointer>
#include <QString>

class QComboBox;
class QLabel;
class QPushButton;

// The custom period dialog: a start and an end, typed or picked from the fixed words and the last ten dates
// typed. Its Tag says whose period it sets: "Main" the main window's call list (the view query, the View
// menu's "Custom..." mark, the refill or, for a client, the server's answer), "Stats" the statistics window's
// period (item "Custom...", the caption, the clause, the grid and the graph again).
//
// One program-wide instance, shown modeless and owned by the window that asks for it; it is only hidden when it
// closes, so the texts last accepted are there again at the next opening, from either window. The logic is
// CustomTime (statswindow/CustomTimeRange.h).
class frmCustomizeTime : public QDialog {
    Q_OBJECT
public:
    // The dialog, made when create is set and there is none yet.
    static frmCustomizeTime* instance(bool create = true);
    // Shows it for tag ("Main" or "Stats"), owned by owner (a window); already open, it only takes the new tag.
    static void showFor(const QString& tag, QObject* owner);
    ~frmCustomizeTime() override;

    QString tag() const { return m_tag; }
    Q_INVOKABLE void AddHints();
    // The statistics window is waiting for its server: a range for it cannot be applied meanwhile.
    void statsFrozenChanged();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    explicit frmCustomizeTime(QWidget* parent = nullptr);

    void setUp();
    void setCaption();
    void RefreshStartList();
    void RefreshEndList();
    void cmdOK_Click();
    void cmdCancel_Click();
    // Applies the texts; false when the dialog stays open (a refusal or a failure).
    bool apply();
    void Form_Unload();
    bool isStatsTag() const;
    bool isMainTag() const;

    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QComboBox* cboStartingDate = nullptr;
    QComboBox* cboEndingDate = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

    QString m_tag;
    // The texts of the last accepted range, as typed.
    QString strStartText;
    QString strEndText;
};

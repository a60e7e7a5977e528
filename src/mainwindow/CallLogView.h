#pragma once

#include <QObject>
#include <QString>

#include "mainwindow/CallRows.h"

class MainWindow;
class SqlError;

// The main window's view of the call log. The view is its host's query strSQL: UpdateSQL only checks it
// (a query that cannot run is reported once and the view goes back to the last query that worked, so a
// typo never closes the log), RefreshGrid reads it and hands the calls to the host's list as rows ready to
// show (the name shown, the texts, the colour), a progress step's worth at a time. A refill reads all its
// rows before it shows any, so a call that arrives while the refill yields to the event loop adds its own
// row once. A refresh asked for meanwhile (a contact saved, the period changed) does not fill the list a
// second time under the running refill: that one stops and starts over.
class CallLogView : public QObject {
    Q_OBJECT
public:
    // The parent (the main window) owns the progress window of a large refill.
    explicit CallLogView(MainWindow& host, QObject* parent = nullptr);

    void UpdateSQL();
    void RefreshGrid();
    // A View-menu period item: the view shows that period (its query, its check mark, the stored ViewTime).
    // "Custom..." only opens the custom-period window, which sets the query and the mark itself.
    void ChoosePeriod(int index);

    bool refilling() const { return m_refilling; }
    // The last query that ran; empty until one did.
    QString lastGoodSQL() const { return m_lastGoodSQL; }

    // Views of this many calls or fewer show no progress window.
    static constexpr int ProgressThreshold = 15;

    // The rows a query of the view dialect gives, in its order, as rowsRead hands them over. Throws SqlError.
    static void ReadRows(const QString& jetSql, CallRowBatch& batch);

Q_SIGNALS:
    // A pass of the refill begins: the list is to be emptied (and may be hidden until refillFinished).
    void refillStarted();
    // Rows first .. last - 1 of the batch are the view's next calls, matched to their contacts: the name
    // shown is the contact's (with the number's description) where the number belongs to one, and the
    // colour is its attribute group's. The batch lives until refillFinished.
    void rowsRead(const CallRowBatch& batch, size_t first, size_t last);
    // The pass ended, with every call or those read before a stop or a failure: the list is complete.
    void refillFinished();

private:
    void refill();
    void reportViewError(const SqlError& e, const char* tag);

    MainWindow& m_host;
    QString m_lastGoodSQL;
    bool m_refilling = false;
    bool m_refillAgain = false;
};

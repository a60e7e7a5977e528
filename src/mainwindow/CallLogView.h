#pragma once

#include <QString>

#include "mainwindow/CallListRefill.h"

class MainWindow;
class SqlError;

// The standalone/server main window's view of the call log. The view is its host's query strSQL: UpdateSQL
// only checks it (a query that cannot run is reported once and the view goes back to the last query that
// worked, so a typo never closes the log), RefreshGrid reads it and hands the calls to the host's list as
// rows ready to show, a progress step's worth at a time (CallListRefill).
class CallLogView : public CallListRefill {
    Q_OBJECT
public:
    // The parent (the main window) owns the progress window of a large refill.
    explicit CallLogView(MainWindow& host, QObject* parent = nullptr);

    void UpdateSQL();
    // A View-menu period item: the view shows that period (its query, its check mark, the stored ViewTime).
    // "Custom..." only opens the custom-period window, which sets the query and the mark itself.
    void ChoosePeriod(int index);

    // The last query that ran; empty until one did.
    QString lastGoodSQL() const { return m_lastGoodSQL; }

    // The rows a query of the view dialect gives, in its order, as rowsRead hands them over. Throws SqlError.
    static void ReadRows(const QString& jetSql, CallRowBatch& batch);

protected:
    void beforePass() override { UpdateSQL(); }
    void readRows(CallRowBatch& batch) override;

private:
    void reportViewError(const SqlError& e, const char* tag);

    MainWindow& m_host;
    QString m_lastGoodSQL;
    // The log could not be opened for reading when the view was last checked.
    bool m_unreadable = false;
};

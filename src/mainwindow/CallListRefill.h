#pragma once

#include <QObject>

#include <cstddef>

#include "mainwindow/CallRows.h"

// The refill of a main window's call list: the rows of one pass are read first, as rows ready to show (the
// name shown, the texts, the colour), then handed to the list a progress step's worth at a time, behind a
// progress window when there are many. The progress window lets the event loop run; a refresh asked for
// meanwhile (a contact saved, the period changed, a new answer from the server) does not fill the list a
// second time under the running pass: that one stops, and a new pass starts once it has ended, so the list
// shows each call of the latest rows exactly once.
//
// The standalone/server window reads its call log (CallLogView), the client window the rows its server
// last sent (RemoteCallList).
class CallListRefill : public QObject {
    Q_OBJECT
public:
    // The parent (the main window) owns the progress window of a large refill.
    explicit CallListRefill(QObject* parent = nullptr);

    void RefreshGrid();
    bool refilling() const { return m_refilling; }
    // A call changed or went (an edit, a deletion, a ring) and the list holds no row of it: while a pass runs,
    // its row may still wait in the pass's batch as it was read, so the refill runs again once the pass ends.
    void missedChange()
    {
        if (m_refilling)
            m_refillAgain = true;
    }

    // Views of this many calls or fewer show no progress window.
    static constexpr int ProgressThreshold = 15;

Q_SIGNALS:
    // A pass of the refill begins: the list is to be emptied (and may be hidden until refillFinished).
    void refillStarted();
    // Rows first .. last - 1 of the batch are the view's next calls, matched to their contacts: the name
    // shown is the contact's (with the number's description) where the number belongs to one, and the
    // colour is its attribute group's. The batch lives until refillFinished.
    void rowsRead(const CallRowBatch& batch, size_t first, size_t last);
    // The pass ended, with every call or those read before a stop or a failure: the list is complete.
    void refillFinished();

protected:
    // Runs before a pass begins (before refillStarted).
    virtual void beforePass() {}
    // The rows of one pass, in the list's order. A failure is reported here; the rows read so far stay.
    virtual void readRows(CallRowBatch& batch) = 0;

private:
    // False when this refill went while it let the event loop run (its window went as the program ended).
    bool refill();

    bool m_refilling = false;
    bool m_refillAgain = false;
    bool m_stopped = false;
};

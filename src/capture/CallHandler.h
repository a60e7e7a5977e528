#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <memory>
#include <optional>

#include "core/clsCaller.h"

class ModemPort;

// Turns the modem's lines into one call record per incoming call: creates and stores the record at the
// first ring, counts rings and plays the ring sounds, handles the caller's number once per call (block
// strings, contact, attribute group, announcement), ends the call when the rings stop, tests whether it
// was answered, and blocks calls. Every change is written to the call log, announced through the signals
// below (the main window turns them into grid rows and pop-up updates) and sent to the network clients.
//
// Owned by the standalone/server main window; its BlockCall member calls BlockCall here.
class CallHandler : public QObject {
    Q_OBJECT
public:
    explicit CallHandler(ModemPort* port, QObject* parent = nullptr);
    ~CallHandler() override;

    // The call being received; replaced by a new empty record at the first ring and at the end of a call.
    std::shared_ptr<clsCaller> CurrentCaller;
    // The call the answered test will decide; follows CurrentCaller while a call rings.
    std::shared_ptr<clsCaller> WatchedCaller;
    // The current call's number has been handled (block test, contact match, announcement).
    bool CallHandled = false;
    // Whole seconds since the last ring, for the end of the call and for the answered test.
    qint32 RingTicks = 0;
    qint32 AnswerTicks = 0;

    QTimer RingTimer;   // 1 s: end of call
    QTimer AnswerTimer; // 1 s: answered test

    // One received line, without its line end.
    void ProcessEvent(const QString& line);
    void RingUpdate();
    void UpdateNewCall();
    void RingTimer_Timer();
    void AnswerTimer_Timer();

    // For a client that joins while a call rings: ";NEW;" and the call's record as stored (its name, number,
    // rings and answer so far), so that its copy of the call counts on from the server's; none between calls.
    QStringList CallInProgress() const;

    // Ends this call road for good, in order, as its window goes (a mode switch, the program's end): the ring
    // and answer timers stop, the call in progress is written once more as it stands (a block marked while the
    // hang-up waited included), a block still waiting for its ring becomes a call (stored, logged and sent to the
    // clients while they are still connected), and the ringing state is left to the road that comes next. A modem
    // wait still on the stack (the probe, a hang-up) changes nothing once it returns, and no line, tick or command
    // reaches the call list, the pop-up or the clients any more: they belong to the mode that follows.
    void End();
    bool ended() const { return m_ended; }

    // Blocks caller at the first block string that matches the number. Every call that decides on a call holds
    // it by value: CurrentCaller may be the next caller's by the time a hang-up's wait returns.
    void CheckBlockStrings(QString Number, std::shared_ptr<clsCaller> caller);
    // Picks the ringing call up and drops it, and marks it "BLOCKED" everywhere: the pop-up's and a client's
    // request, which were asked about the call ringing now.
    void BlockCall() { blockCall(CurrentCaller); }

    // Whether a line is a ring: "RING", or "RING" with the short code of a distinctive ring after one blank or more
    // ("RING 2", "RING  B").
    static bool isRing(const QString& line);
    // The event line of a call's ring count.
    static QString ringEvent(const clsCaller& caller);
    // The event line that puts a call's ring count right after its last ring turned out to be the next caller's.
    static QString ringGivenBackEvent(const clsCaller& caller);

    // What a caller-ID line says after its four-letter tag and its "=", without the blanks around them.
    static QString lineValue(const QString& line, const QString& tag);
    // "(ddd) ddd-dddd", "ddd-dddd", "UNKNOWN NUMBER", "PRIVATE NUMBER" or the value as it came.
    static QString formatNumber(const QString& value);
    static QString formatName(const QString& value);
    // Whether one block string (as the user typed it) matches a number.
    static bool matchesBlockString(const QString& entry, const QString& number);

Q_SIGNALS:
    // A new call was stored: its row goes at the top of the grid.
    void callAdded(const clsCaller& caller);
    // A stored call changed: its grid row is rewritten.
    void callUpdated(qint32 id, const clsCaller& caller);
    // First ring with the pop-up option on: show the pop-up unless a modal dialog is open.
    void popupRequested();
    // The pop-up shows this call.
    void popupUpdate(const clsCaller& caller);
    // The pop-up's ring alert.
    void popupRing();
    // A call that is no longer the newest changed (its answered test or its hang-up ended after the next call
    // began): the pop-up rewrites its entry where it stands.
    void popupCallChanged(const clsCaller& caller);
    // First ring of a call: the tray icon blinks while the window is minimised.
    void callStarted();

private:
    // A ring of the current call, or the first ring of a new one, rung at the time given.
    void ring(const QDateTime& at);
    // Picks caller's line up and drops it, while caller is the call ringing; decided for that call, a block whose
    // hang-up or test ended after the next caller began must never reach the next caller.
    void blockCall(std::shared_ptr<clsCaller> caller);
    // Handles the number of caller once: block strings, contact, attribute group, announcement; then publishes.
    void handleNumber(std::shared_ptr<clsCaller> caller);
    // A call ringing now, from its first ring until eight seconds after its last.
    bool callRinging() const;
    // A caller-ID line heard while no call rings: the block of the call whose first ring is still to come.
    void hearBeforeRing(const QString& tag, const QString& line);
    // One line of a block heard before its ring.
    struct BlockLine {
        QString tag;
        QString value;
        QString line;
        QDateTime at;
    };
    // A line of the held block, or of the block that repeats it, added to the held block.
    void holdLine(const BlockLine& heard);
    // The value the held block gave a tag, or nothing when it gave none.
    std::optional<QString> heldValue(const QString& tag) const;
    // A repeat that said nothing against the held block but a name is the same caller: it completes the held
    // block, its name the one kept.
    void settleRepeat();
    // The held block for the call it belongs to, completed by what a repeat of it added.
    std::shared_ptr<clsCaller> takePending();
    // A block that no ring followed within the call's eight seconds (or that the port's opening again or the road's
    // end cut off) is a call all the same, of no rings: stored, logged and sent, and shown while the road lasts.
    void pendingBecomesCall();
    // The record a caller-ID line fills.
    static void fill(clsCaller& caller, const QString& tag, const QString& line);
    // The ringing is over: the call is done with but for its answered test.
    void endRinging();
    // Caller-ID lines after a RING that followed the current call's own caller-ID lines are another caller's:
    // that RING rang for a new call, which begins here with the RING's time.
    void beginCallAtLastRing();
    // The pop-up's entry of a call: the newest call comes to the top, an earlier one is rewritten in place.
    void tellPopup(const std::shared_ptr<clsCaller>& caller);

    // A change of a call, told everywhere in one order: written to the log, sent to the clients, shown in the
    // call list, then in the pop-up.
    void publish(const std::shared_ptr<clsCaller>& caller);
    // A change of the call: written to the log, then (after the clients have been told) to the window. A log
    // that cannot be written never holds the call up: it is said in a notice, once a call.
    void store(const std::shared_ptr<clsCaller>& caller);
    void show(const clsCaller& caller);
    // A call the call log could not take is never lost without a trace: the ringing one is written to the
    // activity log (or standard error) with its caller ID when it ends, an ended one at once.
    void noteUnstored(const std::shared_ptr<clsCaller>& caller, const QString& reason);
    void logUnstored();
    void playSound(const QString& path, const clsCaller& caller);

    ModemPort* m_port;
    bool m_ended = false;
    // Where the current call stands among the modem's lines: its caller-ID lines have come, and a RING came
    // after them.
    bool m_heardCallerId = false;
    bool m_rangAfterCallerId = false;
    // The current call's caller ID came before its first ring: on such a line a block while it rings is the
    // next caller's.
    bool m_blockLeadsRings = false;
    // A caller-ID block heard while no call rang, the time it was heard, the seconds since its last line, and its
    // lines so far (a tag heard again begins the next block, unless that block repeats this one).
    std::shared_ptr<clsCaller> m_pending;
    QDateTime m_pendingAt;
    int m_pendingTicks = 0;
    QList<BlockLine> m_pendingLines;
    // The lines of a block that, so far, says again what the held block said, within a moment of it: some modems
    // send a block twice. It is the same caller unless its DATE, TIME or NMBR says otherwise; its NAME is kept.
    QList<BlockLine> m_repeat;
    QDateTime m_lastRingAt;
    std::weak_ptr<clsCaller> m_newest;
    std::shared_ptr<clsCaller> m_unstored;
    QString m_unstoredReason;
};

#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include "core/clsCaller.h"

// A client's copy of the call its server is receiving. The client has no modem and no call log: the
// server's ";NEW;", ";RING;" and ";INCOMING CALLER;" messages drive it. It follows the call with the
// client's own sounds (chosen from its own settings and its copies of the contacts and attribute groups),
// lists the call once it has an ID (in gRemoteCallers and, through the signals, in the window's call list)
// and ends the ringing 8 ticks after the last ring. It never blocks, stores or probes anything: the server
// does. The pop-up follows it through the same signals as a CallHandler (MiniDisplay::connectCallRoad).
//
// Owned by the client main window.
class RemoteCallRoad : public QObject {
    Q_OBJECT
public:
    explicit RemoteCallRoad(QObject* parent = nullptr);

    // The call in progress; a new empty record until the first ";NEW;".
    clsCaller CurrentCaller;
    // The caller's sound is done for this call (the contact is matched until then).
    bool CallHandled = false;
    // The call is in gRemoteCallers and the call list.
    bool CallListed = false;
    // Ring-timer ticks since the last ring.
    qint32 RingTicks = 0;

    QTimer RingTimer; // 1 s: the end of the ringing

    // ";NEW;": a new call starts.
    void NewCall();
    // ";RING;": one more ring.
    void RingUpdate();
    // ";INCOMING CALLER;": the server's record of the call, already read; a record that could not be read
    // (BadData) changes nothing, so one bad message cannot spoil the rest of the call.
    void IncomingCaller(const clsCaller& record);
    // After CurrentCaller took the server's record: match, sound (once), list (once), update, announce.
    void UpdateNewCall();
    void RingTimer_Timer();
    // One send of the server's has been read whole. A call it began with its record and no ring never rang: its
    // server sends such a call so, once it is over, and rings a call in sends of their own.
    void sendRead();

    // Ends this copy of the call road for good as its window goes (a mode switch, the program's end): the ring
    // timer stops, the ringing state is left to the road that comes next, and a message read later changes
    // nothing: the call belongs to the mode that is going.
    void End();

    // Replaces the first call of gRemoteCallers with the caller's ID, in its place; false when none has it.
    static bool EditCallCollection(const clsCaller& caller);

Q_SIGNALS:
    // The call got its ID: its row goes at the top of the call list (and the record count changes).
    void callAdded(const clsCaller& caller);
    // A listed call changed: its row is rewritten.
    void callUpdated(qint32 id, const clsCaller& caller);
    // A new call with the pop-up option on: show the pop-up unless a modal dialog is open.
    void popupRequested();
    void popupUpdate(const clsCaller& caller);
    void popupRing();
    // The server's word on an earlier call (its answered test or its hang-up ended after the next call began):
    // the pop-up rewrites its entry where it stands.
    void popupCallChanged(const clsCaller& caller);
    // A new call: the tray icon blinks while the window is minimised.
    void callStarted();

private:
    void playSound(const QString& path);
    // A record of a listed call that is not the one in progress: its row and its pop-up entry change, the call
    // in progress is left alone.
    void updateEarlierCall(clsCaller record);
    // Whether a record is another call's than the one in progress.
    bool isAnotherCall(const clsCaller& record) const;
    // The caller's sound, once a call, once it has a number and has rung.
    void announce();
    // The activity log's line of a call that never rang, once that is known: at the end of the send that brought it,
    // else (from a server that sent it otherwise) once its ringing or its road has ended.
    void noteNoRing();

    bool m_ended = false;
    // The call in progress has had its first record: its ID (0 when the server could not store it) is known.
    bool m_recordHeard = false;
    // The call in progress was logged as one that never rang.
    bool m_noRingNoted = false;
    // The call in progress began in the send being read.
    bool m_begunInSend = false;
    // The IDs of the latest calls this road followed.
    QList<qint32> m_followed;
};

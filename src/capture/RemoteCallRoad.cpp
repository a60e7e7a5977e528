#include "capture/RemoteCallRoad.h"

#include <utility>

#include "capture/CallHandler.h"
#include "capture/clsSound.h"
#include "core/Globals.h"
#include "core/SettingsKeys.h"
#include "core/modAttributeGroup.h"
#include "core/modContactDB.h"
#include "core/modMain.h"
#include "core/modProperties.h"
#include "network/clsRemoteSocket.h"
#include "platform/ProgramFolder.h"

namespace {

const QString kNotReceived = QStringLiteral("NOT RECEIVED");

QString option(const char* key, const QString& fallback)
{
    return GetProperty(Section::frmConfiguration, QString::fromLatin1(key), fallback);
}

bool isNoGroup(const QString& group)
{
    return group.isEmpty() || group.compare(QLatin1String("<none>"), Qt::CaseInsensitive) == 0;
}

} // namespace

RemoteCallRoad::RemoteCallRoad(QObject* parent) : QObject(parent)
{
    RingTimer.setInterval(1000);
    connect(&RingTimer, &QTimer::timeout, this, &RemoteCallRoad::RingTimer_Timer);
}

void RemoteCallRoad::playSound(const QString& path)
{
    if (gSound)
        gSound->PlaySound(path, CurrentCaller);
}

void RemoteCallRoad::NewCall()
{
    if (m_ended)
        return;
    noteNoRing();
    CurrentCaller = clsCaller();
    CallHandled = false;
    CallListed = false;
    m_recordHeard = false;
    m_noRingNoted = false;
    m_begunInSend = true;
    RingTicks = 0;
    gRinging = true;
    RingTimer.start();
    Q_EMIT callStarted();
    if (textToBool(option(Key::PopupScreen, QStringLiteral("True"))))
        Q_EMIT popupRequested();
    CurrentCaller.Name = kNotReceived;
    CurrentCaller.Number.Number = kNotReceived;
    CurrentCaller.Rings = 0;
}

void RemoteCallRoad::RingUpdate()
{
    if (m_ended)
        return;
    // A client that connected in the middle of a call hears its rings without its ";NEW;": the ringing
    // still counts, so the call's rows cannot be deleted under it.
    gRinging = true;
    if (!RingTimer.isActive())
        RingTimer.start();
    CurrentCaller.Rings += 1;
    const QString immediate = option(Key::ImmediateSound, programFolder() + QStringLiteral("/Sounds/Button.wav"));
    const QString ring = option(Key::RingSound, QString());
    if (CurrentCaller.Rings == 1 && !immediate.isEmpty())
        playSound(immediate);
    else if (!ring.isEmpty())
        playSound(ring);
    if (CurrentCaller.ID != 0) {
        // The stored copy too: every refill of the call list (a contact or group push, a deletion) reads it,
        // and no later record may come to correct it.
        EditCallCollection(CurrentCaller);
        Q_EMIT callUpdated(CurrentCaller.ID, CurrentCaller);
    }
    AddEvent(CallHandler::ringEvent(CurrentCaller));
    Q_EMIT popupUpdate(CurrentCaller);
    RingTicks = 0;
    Q_EMIT popupRing();
    // A caller ID that came before this first ring is announced now, after the ring's own sound, as the
    // server does.
    announce();
}

void RemoteCallRoad::announce()
{
    const QString number = CurrentCaller.Number.Number;
    // Only a call that rang is announced: the server's record of a caller who hung up before the first ring
    // comes just as a first ring's does, and such a call is not announced there either.
    if (CallHandled || number == kNotReceived || number.isEmpty() || CurrentCaller.Rings == 0)
        return;
    CallHandled = true;
    if (!isNoGroup(CurrentCaller.AttributeGroup)) {
        // A group the server has but this copy does not know plays nothing, not the default sound.
        const auto group = GetAttributeGroup(CurrentCaller.AttributeGroup);
        if (group && !isNoGroup(group->Description))
            playSound(group->Sound);
    } else {
        playSound(option(Key::DefaultSound, QString()));
    }
}

void RemoteCallRoad::sendRead()
{
    if (std::exchange(m_begunInSend, false) && !m_ended)
        noteNoRing();
}

void RemoteCallRoad::noteNoRing()
{
    // Logged as the server logs it, with its 0 rings.
    if (m_recordHeard && CurrentCaller.Rings == 0 && !m_noRingNoted) {
        m_noRingNoted = true;
        AddEvent(CallHandler::ringEvent(CurrentCaller));
    }
}

void RemoteCallRoad::IncomingCaller(const clsCaller& record)
{
    if (m_ended)
        return;
    if (record.BadData())
        return;
    if (isAnotherCall(record)) {
        updateEarlierCall(record);
        return;
    }
    m_recordHeard = true;
    // Its last ring was the next caller's: the activity log is put right, as the server's is.
    const bool ringGivenBack = record.Rings < CurrentCaller.Rings;
    CurrentCaller = record;
    if (ringGivenBack)
        AddEvent(CallHandler::ringGivenBackEvent(CurrentCaller));
    UpdateNewCall();
}

bool RemoteCallRoad::isAnotherCall(const clsCaller& record) const
{
    // Each call keeps its own row however close the next one came: once the call in progress has its first
    // record, a record with another ID is another call's, never the one in progress, also when the server could
    // not store this one (its ID is 0). Only a call whose records came without an ID so far may take an ID
    // that no call this client knows has.
    if (!m_recordHeard || record.ID == CurrentCaller.ID)
        return false;
    if (CurrentCaller.ID != 0 || record.ID == 0)
        return true;
    return m_followed.contains(record.ID) || (gRemoteCallers && gRemoteCallers->indexOf(record.ID) >= 0);
}

void RemoteCallRoad::updateEarlierCall(clsCaller record)
{
    // A call the server could not store cannot be told from another: nothing of this client's may change for it.
    if (record.ID == 0)
        return;
    MatchCallerToContact(record.Number.Number, record);
    if (EditCallCollection(record))
        Q_EMIT callUpdated(record.ID, record);
    Q_EMIT popupCallChanged(record);
    if (record.Answered == QLatin1String("YES"))
        AddEvent(QStringLiteral("The incoming call was answered"));
}

void RemoteCallRoad::UpdateNewCall()
{
    const QString number = CurrentCaller.Number.Number;
    if (number != kNotReceived && !number.isEmpty() && !CallHandled) {
        MatchCallerToContact(number, CurrentCaller);
        announce();
    }
    if (CurrentCaller.ID != 0 && !CallListed) {
        CallListed = true;
        // Kept for the calls' late records: a few are plenty, they come within a call or two.
        m_followed.append(CurrentCaller.ID);
        if (m_followed.size() > 16)
            m_followed.removeFirst();
        // A client that joined after the call was stored has it already, from the answer to its query: the
        // first record with the ID adds the row, and only when no row has it yet.
        if (!gRemoteCallers || gRemoteCallers->indexOf(CurrentCaller.ID) < 0) {
            if (gRemoteCallers)
                gRemoteCallers->append(CurrentCaller);
            Q_EMIT callAdded(CurrentCaller);
        }
    }
    if (CurrentCaller.ID != 0) {
        EditCallCollection(CurrentCaller);
        Q_EMIT callUpdated(CurrentCaller.ID, CurrentCaller);
    }
    Q_EMIT popupUpdate(CurrentCaller);
    if (CurrentCaller.Answered == QLatin1String("YES"))
        AddEvent(QStringLiteral("The incoming call was answered"));
}

bool RemoteCallRoad::EditCallCollection(const clsCaller& caller)
{
    if (!gRemoteCallers)
        return false;
    const qsizetype i = gRemoteCallers->indexOf(caller.ID);
    if (i < 0)
        return false;
    gRemoteCallers->replace(i, caller);
    return true;
}

void RemoteCallRoad::End()
{
    if (m_ended)
        return;
    // The call that never rang is logged before its road goes; this client hears no more of it.
    noteNoRing();
    m_ended = true;
    if (RingTimer.isActive())
        gRinging = false;
    RingTimer.stop();
    RingTicks = 0;
    CallHandled = false;
    CallListed = false;
    m_recordHeard = false;
    CurrentCaller = clsCaller();
}

void RemoteCallRoad::RingTimer_Timer()
{
    if (m_ended)
        return;
    RingTicks += 1;
    gRinging = true;
    if (RingTicks >= 8) {
        noteNoRing();
        gRinging = false;
        RingTicks = 0;
        RingTimer.stop();
    }
}

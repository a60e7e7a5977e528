#include "mainwindow/RemoteDispatcher.h"

#include <memory>

#include <QHash>

#include "capture/RemoteCallRoad.h"
#include "contacts/ContactForm.h"
#include "contacts/ContactStore.h"
#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/Processing.h"
#include "core/ProgramLinks.h"
#include "core/RecordFields.h"
#include "core/WindowLinks.h"
#include "core/clsAttributeGroup.h"
#include "core/clsContact.h"
#include "core/modAttributeGroup.h"
#include "core/modContactDB.h"
#include "core/modError.h"
#include "core/modMain.h"
#include "network/clsRemoteSocket.h"
#include "platform/Memory.h"
#include "platform/Prompt.h"
#include "popup/MiniDisplay.h"
#include "statistics/modStatistics.h"

namespace {

const QString kSource = QStringLiteral("frmRemoteMain");
const QString kTag = QStringLiteral("frmRemoteMain_ProcessRemoteNetworkData");
constexpr qint32 kObjectMissing = 91;
constexpr qint32 kDuplicateKey = 457;
// A large unit advances its progress window this many steps at most: each step lets the event loop run.
constexpr qsizetype kMaxProgressSteps = 1000;

int unloadWaiting(const char* kind) { return Program::unloadWaitingForms(QString::fromLatin1(kind)); }

// The same, once per unit for the kind (every row of an answer would close its note again).
template <typename Pass>
void unloadWaitingOnce(Pass& pass, const char* kind)
{
    const QString k = QString::fromLatin1(kind);
    if (pass.notesClosed.contains(k))
        return;
    pass.notesClosed << k;
    Program::unloadWaitingForms(k);
}

// The kind of request (its waiting note's tag) whose answer begins with that message; none for the others.
const char* answerKind(const QString& key)
{
    static const QHash<QString, const char*> kKinds = {
        {QStringLiteral("CLEAR CALLERS"), "SQL"},         {QStringLiteral("DELETE OK"), "DELETE"},
        {QStringLiteral("STATISTIC"), "STATS"},           {QStringLiteral("GRAPH"), "GRAPH"},
        {QStringLiteral("MINI DISPLAY"), "MINI DISPLAY"}, {QStringLiteral("MINI DISPLAY STATS"), "MINI DISPLAY STATS"},
    };
    return kKinds.value(key, nullptr);
}

// The next answer of that kind answers a request the user gave up: it is dropped, and nothing more is for it.
bool lateAnswer(const char* kind)
{
    return gRemoteSocket && gRemoteSocket->TakeGivenUpAnswer(QString::fromLatin1(kind));
}

// A refusal that answers a request the user gave up, not a contact change (which has its own answer's place).
bool lateRefusal() { return !ContactRequestWaiting() && gRemoteSocket && gRemoteSocket->TakeGivenUpRefusal(); }

// A contact refused for a name or number already taken, as the contact store words it. A server's other
// failures must never read as one, whatever number they come with.
bool isDuplicateRefusal(qint32 number, const QString& description)
{
    if (number == kDuplicateNameError)
        return description == duplicateNameText();
    if (number == kDuplicateNumberError)
        return description.endsWith(duplicateNumberText(QString())) && description != duplicateNumberText(QString());
    return false;
}

QString lostLine(int count, const char* one, const char* many)
{
    return count == 1 ? QString::fromLatin1(one) : QString::number(count) + QString::fromLatin1(many);
}

} // namespace

// One unit's working state.
struct RemoteDispatcher::Pass {
    bool groupsChanged = false;
    bool callsChanged = false;
    bool contactsChanged = false;
    // The records of a ";MINI DISPLAY;" answer, when the unit is one: it replaces the pop-up's list.
    std::optional<QList<clsCaller>> popupList;
    bool deletionConfirmed = false;
    int lostGroups = 0;
    int lostContacts = 0;
    int lostCallers = 0;
    // Waiting notes already closed in this unit: the rows of a long answer close theirs once, not per row.
    QStringList notesClosed;
    // The unit is the late answer of a request the user gave up (its kind): its records are dropped.
    QString givenUp;
    // The first refusal of the unit, told once after it.
    QString box;
    Prompt::Icon boxIcon = Prompt::Critical;
};

RemoteDispatcher::RemoteDispatcher(MainWindow& host, RemoteCallRoad& calls, QObject* owner)
    : QObject(owner), m_host(host), m_calls(calls), m_owner(owner)
{
}

int RemoteDispatcher::fieldCount(const QString& keyword)
{
    // Looked up once per token of a unit that may hold hundreds of thousands.
    static const QHash<QString, int> kCatalogue = {
        {QStringLiteral("MODEMCONNECTION"), 1},
        {QStringLiteral("GRAPH"), 1},
        {QStringLiteral("STATISTIC"), 1},
        {QStringLiteral("DELETE OK"), 0},
        {QStringLiteral("BLOCKED"), 0},
        {QStringLiteral("RESTRICTED"), 0},
        {QStringLiteral("SIZE"), 1},
        {QStringLiteral("ORIGINAL ID MINI DISPLAY"), 5},
        {QStringLiteral("ORIGINAL ID"), 5},
        {QStringLiteral("ERROR"), 2},
        {QStringLiteral("CLEAR ATTRIBUTE GROUPS"), 0},
        {QStringLiteral("ATTRIBUTE GROUP"), 1},
        {QStringLiteral("CLEAR CONTACTS"), 0},
        {QStringLiteral("CONTACT"), 1},
        {QStringLiteral("CLEAR CALLERS"), 0},
        {QStringLiteral("EDIT CALLER"), 1},
        {QStringLiteral("MINI DISPLAY STATS"), 1},
        {QStringLiteral("MINI DISPLAY"), 1},
        {QStringLiteral("CALLER"), 1},
        {QStringLiteral("INCOMING CALLER"), 1},
        {QStringLiteral("NEW"), 0},
        {QStringLiteral("RING"), 0},
        {QStringLiteral("UPDATE NEEDED"), 0},
    };
    return kCatalogue.value(keyword, -1);
}

void RemoteDispatcher::keep(qint32 number, const QString& description)
{
    SaveError(number, description, kSource);
    if (number != kObjectMissing && number != kDuplicateKey)
        ReportError(kTag);
}

void RemoteDispatcher::ForgetPendingDeletes()
{
    DeleteAllPending = false;
    PendingDeletes.reset();
}

void RemoteDispatcher::ProcessRemoteNetworkData(const QString& unit)
{
    QStringList tokens = unit.split(QLatin1Char(';'));
    qsizetype filled = 0;
    for (const QString& t : tokens)
        filled += t.isEmpty() ? 0 : 1;

    // A large unit (the rows of a long view) is walked behind a progress window, which keeps the window
    // responsive and can stop the reading.
    std::unique_ptr<Processing> progress;
    const qsizetype perStep = std::max<qsizetype>(1, (tokens.size() + kMaxProgressSteps - 1) / kMaxProgressSteps);
    if (filled > ProgressTokens)
        progress = std::make_unique<Processing>(qint32((tokens.size() + perStep - 1) / perStep),
                                                QStringLiteral("Receiving Network Data..."), m_owner);
    qsizetype stepsShown = 0;

    Pass pass;
    // A unit without a single word: the server's answer to the pop-up's request when its log is empty (";").
    bool words = false;
    qsizetype at = 0;
    while (at < tokens.size()) {
        if (progress) {
            if (progress->StopProcessing())
                break;
            for (; stepsShown < at / perStep; ++stepsShown)
                progress->Increment();
            // The program may have ended while the progress window let the event loop run.
            if (gMainForm != &m_host)
                return;
        }
        const QString key = tokens.at(at++).toUpper();
        if (!key.isEmpty() && key != QLatin1String("COMPLETE"))
            words = true;
        const int count = fieldCount(key);
        if (count < 0)
            continue; // the marker's words, empty tokens, anything unknown
        // A message cut short at the end of the unit gets empty texts for its missing fields.
        QStringList fields;
        for (int i = 0; i < count; ++i)
            fields << (at < tokens.size() ? tokens.at(at++) : QString());
        dispatch(pass, key, fields);
    }
    if (progress)
        progress->Unload();
    m_calls.sendRead();
    // The refill that follows holds the rows as records; their text is no longer needed.
    tokens = QStringList();
    if (!words && lateAnswer("MINI DISPLAY")) {
        // The empty list of a pop-up's request the user gave up.
    } else if (!words && miniDisplay().waitingForList()) {
        // It names no message, so only the pop-up's own waiting can tell it; its note must not wait for ever.
        unloadWaiting("MINI DISPLAY");
        pass.popupList.emplace();
    }
    afterLoop(pass);
    // A long answer's text and tokens were freed inside the heap: handed back, the client stays the size of
    // what it keeps.
    if (progress)
        giveMemoryBack();
}

void RemoteDispatcher::dispatch(Pass& pass, const QString& key, const QStringList& fields)
{
    // The late answer of a request the user gave up is dropped whole: its first message and the records after it
    // (a query's rows, a pop-up list's calls).
    if (!pass.givenUp.isEmpty() && (key == QLatin1String("CALLER") || key == QLatin1String("MINI DISPLAY")))
        return;
    const bool inAnswer = key == QLatin1String("CALLER") || (key == QLatin1String("MINI DISPLAY") && pass.popupList);
    if (const char* kind = inAnswer ? nullptr : answerKind(key); kind && lateAnswer(kind)) {
        pass.givenUp = QString::fromLatin1(kind);
        return;
    }
    // The rows of an answer come first: a long answer is nearly all of them.
    if (key == QLatin1String("CALLER")) {
        unloadWaitingOnce(pass, "SQL");
        clsCaller caller;
        caller.BuildCaller(fields.at(0), true);
        if (caller.BadData())
            ++pass.lostCallers;
        else if (gRemoteCallers)
            gRemoteCallers->append(caller);
        pass.callsChanged = true;
    } else if (key == QLatin1String("MODEMCONNECTION")) {
        const QString state = fields.at(0);
        // The answer to this client's question, not the server's news of its port to every client.
        if (gRemoteSocket && (state == QLatin1String("True") || state == QLatin1String("False")))
            gRemoteSocket->ModemStateAnswered();
        if (state.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
            m_host.ModemConnected = true;
        else if (state.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
            m_host.ModemConnected = false;
        else
            keep(13, QStringLiteral("Type mismatch"));
        const bool online = gRemoteSocket && gRemoteSocket->Connected();
        Q_EMIT connectionIconChanged(!online                 ? QStringLiteral("ricon")
                                     : m_host.ModemConnected ? QStringLiteral("gicon")
                                                             : QStringLiteral("yicon"));
    } else if (key == QLatin1String("GRAPH")) {
        // The statistics window closes its note, fills its graph while it is shown and lets go of its freeze.
        if (windowLinks().graphReply)
            windowLinks().graphReply(fields.at(0));
        else
            unloadWaiting("GRAPH");
    } else if (key == QLatin1String("STATISTIC")) {
        if (windowLinks().statisticReply)
            windowLinks().statisticReply(fields.at(0));
        else
            unloadWaiting("STATS");
    } else if (key == QLatin1String("DELETE OK")) {
        deletionConfirmed(pass);
    } else if (key == QLatin1String("BLOCKED")) {
        const QString text = QStringLiteral("Your IP address has been blocked by the server.");
        if (gRemoteSocket)
            gRemoteSocket->setConnected(false);
        if (pass.box.isEmpty())
            pass.box = text;
        AddEvent(text);
        unloadWaiting("ALL");
    } else if (key == QLatin1String("RESTRICTED")) {
        const QString text = QStringLiteral("Your IP address has been restricted by the server.");
        if (lateRefusal()) {
            // Kept as a record; what waits now is not what it refuses.
            AddEvent(text);
            return;
        }
        if (pass.box.isEmpty())
            pass.box = text;
        AddEvent(text);
        unloadWaiting("ALL");
        ContactRequestsAnswered();
        // The refused deletion will not be confirmed; another client's confirmation must not take this
        // client's rows away.
        ForgetPendingDeletes();
    } else if (key == QLatin1String("SIZE")) {
        // The count of an answer the user gave up; its rows follow and go with it.
        if (gRemoteSocket && gRemoteSocket->AnswerGivenUp(QStringLiteral("SQL")))
            return;
        qint32 count = 0;
        if (RecordFields::toInt32(fields.at(0), count) != RecordFields::Converted) {
            keep(13, QStringLiteral("Type mismatch"));
            return;
        }
        Q_EMIT recordCountShown(QString::number(count) + QStringLiteral(" Records Displayed"));
        if (windowLinks().findSetRecords && Links::findVisible())
            windowLinks().findSetRecords(count);
    } else if (key == QLatin1String("ORIGINAL ID MINI DISPLAY") || key == QLatin1String("ORIGINAL ID")) {
        const LoggedRecord record{fields.at(0), fields.at(1), fields.at(2), fields.at(3), fields.at(4)};
        Q_EMIT loggedRecordArrived(record, key == QLatin1String("ORIGINAL ID MINI DISPLAY") && miniDisplay().isShown());
    } else if (key == QLatin1String("ERROR")) {
        qint32 number = 0;
        if (RecordFields::toInt32(fields.at(0), number) != RecordFields::Converted)
            number = 0;
        const QString description = fields.at(1);
        keep(number, description);
        // The request that failed will get no other answer: nothing may wait for one.
        AddEvent(QStringLiteral("Server error #") + QString::number(number) + QStringLiteral(": ") + description);
        // The failure of a request the user gave up: what waits now is not what failed.
        if (lateRefusal())
            return;
        const int waited = unloadWaiting("ALL");
        ForgetPendingDeletes();
        // A contact refused for a name or number already taken: told as a contact saved here would be. A
        // refusal of what the user waits for (a search, a deletion, statistics) is said where the user waits,
        // not only in the activity log.
        const bool contactWaited = ContactRequestWaiting();
        ContactRequestsAnswered();
        if (isDuplicateRefusal(number, description) && pass.box.isEmpty()) {
            pass.box = description;
            pass.boxIcon = Prompt::Exclamation;
        } else if (contactWaited && pass.box.isEmpty()) {
            pass.box = QStringLiteral("The server did not save the contact: ") + description;
        } else if (waited > 0 && pass.box.isEmpty()) {
            pass.box = QStringLiteral("The server could not answer: ") + description;
        }
    } else if (key == QLatin1String("CLEAR ATTRIBUTE GROUPS")) {
        gAttributeGroups = KeyedCollection<clsAttributeGroup>();
        pass.groupsChanged = true;
    } else if (key == QLatin1String("ATTRIBUTE GROUP")) {
        auto group = std::make_shared<clsAttributeGroup>();
        group->Build(fields.at(0));
        if (group->BadData())
            ++pass.lostGroups;
        else if (!gAttributeGroups.add(group->Description, group))
            keep(kDuplicateKey, QStringLiteral("This key is already associated with an element of this collection"));
        pass.groupsChanged = true;
    } else if (key == QLatin1String("CLEAR CONTACTS")) {
        AddEvent(QStringLiteral("An update of your call log was required by your IP Address."));
        gContacts = KeyedCollection<clsContact>();
        pass.callsChanged = true;
        pass.contactsChanged = true;
    } else if (key == QLatin1String("CONTACT")) {
        clsContact received;
        received.BuildContact(fields.at(0));
        // A server's names are shown and matched here: no control character of its text reaches a window.
        const auto contact = std::make_shared<clsContact>(withoutControlCharacters(received));
        if (received.BadData())
            ++pass.lostContacts;
        else if (!gContacts.add(contact->Name, contact))
            keep(kDuplicateKey, QStringLiteral("This key is already associated with an element of this collection"));
        pass.contactsChanged = true;
    } else if (key == QLatin1String("CLEAR CALLERS")) {
        unloadWaitingOnce(pass, "SQL");
        if (gRemoteCallers)
            *gRemoteCallers = RemoteCallerCollection();
        pass.callsChanged = true;
    } else if (key == QLatin1String("EDIT CALLER")) {
        clsCaller caller;
        caller.BuildCaller(fields.at(0), true);
        if (caller.BadData()) {
            ++pass.lostCallers;
            return;
        }
        MatchCallerToContact(caller.Number.Number, caller);
        RemoteCallRoad::EditCallCollection(caller);
        Q_EMIT callerEdited(caller.ID, caller);
        miniDisplay().UpdateCaller(caller.ID, caller);
    } else if (key == QLatin1String("MINI DISPLAY STATS")) {
        unloadWaiting("MINI DISPLAY STATS");
        Q_EMIT callerInfoArrived(fields.at(0));
    } else if (key == QLatin1String("MINI DISPLAY")) {
        unloadWaitingOnce(pass, "MINI DISPLAY");
        clsCaller caller;
        caller.BuildCaller(fields.at(0), true);
        if (!pass.popupList)
            pass.popupList.emplace();
        if (caller.BadData()) {
            ++pass.lostCallers;
        } else {
            MatchCallerToContact(caller.Number.Number, caller);
            pass.popupList->append(caller);
        }
    } else if (key == QLatin1String("INCOMING CALLER")) {
        // Read into a record of its own: a record that cannot be read leaves the call as it was.
        clsCaller caller;
        caller.BuildCaller(fields.at(0), true);
        m_calls.IncomingCaller(caller);
    } else if (key == QLatin1String("NEW")) {
        m_calls.NewCall();
    } else if (key == QLatin1String("RING")) {
        m_calls.RingUpdate();
    } else if (key == QLatin1String("UPDATE NEEDED")) {
        AddEvent(QStringLiteral("An update of your call log was required by your IP Address."));
        Program::showWaiting(QStringLiteral("SQL"), m_owner);
        if (gRemoteSocket)
            gRemoteSocket->SendData(QStringLiteral(";SQL;") + m_host.strSQL);
        miniDisplay().LoadData();
    }
}

void RemoteDispatcher::deletionConfirmed(Pass& pass)
{
    pass.deletionConfirmed = true;
    unloadWaiting("DELETE");
    const bool ours = DeleteAllPending || PendingDeletes.has_value();
    if (DeleteAllPending) {
        DeleteAllPending = false;
        if (gRemoteCallers)
            *gRemoteCallers = RemoteCallerCollection();
        Q_EMIT logCleared();
    } else if (PendingDeletes) {
        const QList<qint32> ids = *PendingDeletes;
        PendingDeletes.reset();
        if (gRemoteCallers)
            gRemoteCallers->removeIds(ids);
        // The rows go by their calls' IDs, not by the selection: a call that came in meanwhile has moved
        // every row down, and the selection with them.
        if (SelectionChanged)
            m_host.RefreshGrid();
        else
            Q_EMIT callsDeleted(ids);
    }
    // Another client's deletion, confirmed to every client, takes nothing away here; its "UPDATE NEEDED"
    // follows and asks for the pop-up's list then, so the list is asked for once.
    m_host.UpdateStatus();
    if (ours)
        miniDisplay().LoadData();
}

void RemoteDispatcher::RequestGivenUp(const QString& kind)
{
    if (kind == QLatin1String("SQL")) {
        // The list stays as it was; a count its answer had already sent is taken back.
        m_host.UpdateStatus();
    } else if (kind == QLatin1String("DELETE")) {
        ForgetPendingDeletes();
    } else if (kind == QLatin1String("MINI DISPLAY")) {
        miniDisplay().ListGivenUp();
    } else if (kind == QLatin1String("STATS") || kind == QLatin1String("GRAPH")) {
        if (windowLinks().statisticsGivenUp)
            windowLinks().statisticsGivenUp(kind);
    }
}

void RemoteDispatcher::afterLoop(Pass& pass)
{
    if (pass.groupsChanged && !pass.contactsChanged) {
        if (Links::contactsVisible() && windowLinks().contactsRefresh)
            windowLinks().contactsRefresh();
        if (!pass.callsChanged)
            m_host.RefreshGrid();
    }
    if (pass.callsChanged && !pass.contactsChanged)
        m_host.RefreshGrid();
    if (pass.popupList)
        miniDisplay().ReceiveList(*pass.popupList);
    if (pass.contactsChanged) {
        AddEvent(QStringLiteral("An update of your contacts was required by your IP Address."));
        if (Links::contactsVisible() && windowLinks().contactsRefresh)
            windowLinks().contactsRefresh();
        if (Links::findVisible() && windowLinks().findUpdateContactNames)
            windowLinks().findUpdateContactNames();
        miniDisplay().RefreshContactInfo();
        m_host.RefreshGrid();
        UpdateContactGroups();
    }
    if (pass.lostGroups > 0)
        AddEvent(lostLine(pass.lostGroups, "1 attribute group was lost during a file transfer.",
                          " attribute groups were lost during a file transfer."));
    if (pass.lostContacts > 0)
        AddEvent(lostLine(pass.lostContacts, "1 contact was lost during a file transfer.",
                          " contacts were lost during a file transfer."));
    if (pass.lostCallers > 0)
        AddEvent(lostLine(pass.lostCallers, "1 caller was lost during a file transfer.",
                          " callers were lost during a file transfer."));
    // The list takes the focus; the keyboard is where the end of the request's waiting note left it
    // (TaskWindow), never taken from another window the user went to meanwhile.
    if (pass.deletionConfirmed)
        m_host.focusList();
    // Told in a box that does not wait: this runs for the connection, and nobody may be at the desk.
    if (!pass.box.isEmpty())
        Prompt::notice(pass.box, pass.boxIcon);
}

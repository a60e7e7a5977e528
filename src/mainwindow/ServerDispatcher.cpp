#include "mainwindow/ServerDispatcher.h"

#include <algorithm>

#include "contacts/ContactForm.h"
#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/RecordFields.h"
#include "core/clsCaller.h"
#include "core/clsContact.h"
#include "core/modAttributeGroup.h"
#include "core/modContactDB.h"
#include "core/modError.h"
#include "core/modMain.h"
#include "network/ServerRequest.h"
#include "network/ServerRequests.h"
#include "platform/DateText.h"
#include "popup/MiniDisplay.h"
#include "popup/modLoggedRecord.h"

namespace {

const QString kTag = QStringLiteral("frmBaseMain_ProcessNetworkData");

// A whole number field of a request; a failure is kept (quietly: the text came from a peer).
bool numberField(const QString& text, qint32& value)
{
    const RecordFields::Conversion conversion = RecordFields::toInt32(text, value);
    if (conversion == RecordFields::Converted)
        return true;
    RecordFields::recordFailure(conversion, kTag, false);
    return false;
}

// A field the peers send as a 16-bit number: beyond it is an overflow, as the text of too large a number is.
bool shortField(const QString& text, qint32& value)
{
    if (!numberField(text, value))
        return false;
    if (value >= -32768 && value <= 32767)
        return true;
    RecordFields::recordFailure(RecordFields::Overflow, kTag, false);
    return false;
}

} // namespace

ServerDispatcher::ServerDispatcher(QObject* owner) : QObject(owner), m_replies(new ServerReplies(owner, this)) {}

void ServerDispatcher::ProcessNetworkData(const QString& data, qint32 index, qint64 bytesTotal, bool restricted)
{
    (void)bytesTotal;
    // What goes wrong while a client is served is said in a notice: the server's queue, and every client behind
    // this one, never waits for the server's user to answer a box.
    const ReportWithoutWaiting noticeOnly;
    const ServerRequest request(index);
    const QList<QStringView> tokens = ServerRequests::tokens(data);
    int lostContacts = 0;
    qsizetype at = 0;
    while (at < tokens.size()) {
        // A keyword is short; a long token is a field of no request, passed over without a copy.
        if (tokens.at(at).size() > 32) {
            ++at;
            continue;
        }
        const QString key = tokens.at(at++).toString().toUpper();
        const int count = ServerRequests::fieldCount(key);
        if (count < 0)
            continue; // the marker's words, empty tokens and anything unknown
        // A request at the end of the unit without its fields gets empty texts for them.
        QList<QStringView> views;
        for (int i = 0; i < count; ++i)
            views << (at < tokens.size() ? tokens.at(at++) : QStringView());
        // Too long a field is refused before it is copied or goes near the log: what a request costs starts
        // with its text.
        qsizetype longest = 0;
        for (QStringView v : std::as_const(views))
            longest = std::max(longest, v.size());
        if (longest > ServerRequests::maxFieldChars(key)) {
            tooLong(request, key, views, longest);
            continue;
        }
        QStringList fields;
        for (QStringView v : std::as_const(views))
            fields << v.toString();
        views.clear();
        if (!dispatch(request, key, fields, restricted, lostContacts))
            return;
    }
    if (lostContacts == 1)
        AddEvent(QStringLiteral("1 contact was lost in an attempt to update the contact list."));
    else if (lostContacts > 1)
        AddEvent(QString::number(lostContacts) +
                 QStringLiteral(" contacts were lost in an attempt to update the contact list."));
}

void ServerDispatcher::tooLong(const ServerRequest& request, const QString& key, const QList<QStringView>& fields,
                               qsizetype longest)
{
    const QString noun = ServerRequests::fieldNoun(key);
    // The event names the request as usual, with only the start of its text: the event list is no place for
    // megabytes.
    const QString start = fields.value(0).left(200).toString();
    request.event(key == QLatin1String("SQL")
                      ? QStringLiteral(" Requested a SQL Query: ") + start +
                            QStringLiteral("... (%1 characters, refused)").arg(longest)
                      : QStringLiteral(" sent a %1 of %2 characters, refused").arg(noun).arg(longest));
    request.replyError(kDatabaseError, ServerRequests::tooLongText(key));
}

void ServerDispatcher::refuse(const ServerRequest& request)
{
    request.event(QStringLiteral(" made a restricted request"));
    request.reply(QStringLiteral("RESTRICTED"));
}

bool ServerDispatcher::fail(const ServerRequest& request)
{
    ReportError(kTag);
    request.replyLastError();
    return false;
}

bool ServerDispatcher::dispatch(const ServerRequest& request, const QString& key, const QStringList& fields,
                                bool restricted, int& lostContacts)
{
    if (key == QLatin1String("NETCANCEL")) {
        // Counted when it arrived, so the answer then being made has seen it already.
        request.cancelDispatched();
    } else if (key == QLatin1String("GRAPH")) {
        m_replies->SendGraph(request, fields.at(0));
    } else if (key == QLatin1String("STATISTIC")) {
        m_replies->SendStatistic(request, fields.at(0));
    } else if (key == QLatin1String("MINI DISPLAY")) {
        // A pop-up lists at most 32767 calls, and asks for no more: a larger count would have the whole log
        // read for one request.
        qint32 count = 0;
        if (!shortField(fields.at(0), count))
            return fail(request);
        m_replies->SendMiniDisplayInfo(request, count);
    } else if (key == QLatin1String("SQL")) {
        m_replies->SendSQL(request, fields.at(0));
    } else if (key == QLatin1String("MODEMCONNECTION")) {
        const bool open = gMainForm && gMainForm->ModemConnected;
        request.reply(QStringLiteral(";MODEMCONNECTION;") + (open ? QStringLiteral("True") : QStringLiteral("False")) +
                      QLatin1Char(';'));
    } else if (key == QLatin1String("BLOCK CALL")) {
        if (!restricted && gMainForm)
            gMainForm->BlockCall();
    } else if (key == QLatin1String("ORIGINAL ID MINI DISPLAY") || key == QLatin1String("ORIGINAL ID")) {
        request.event(QStringLiteral(" Requested an Original ID"));
        // Only a real date goes near the log.
        if (!DateText::parse(fields.at(0))) {
            SaveError(kTypeMismatchError, QStringLiteral("Type mismatch"), QStringLiteral("frmBaseMain"));
            return fail(request);
        }
        if (const auto record = FindLoggedRecord(fields.at(0))) {
            const QChar semi = QLatin1Char(';');
            request.reply(semi + key + semi + record->Name + semi + record->Number + semi + record->Time + semi +
                          record->Rings + semi + record->Answered + semi);
        }
    } else if (key == QLatin1String("DELETE SQL")) {
        if (restricted)
            refuse(request);
        else
            m_replies->SendDeleteSQL(request, fields.at(0));
    } else if (key == QLatin1String("EDIT CALLER")) {
        if (restricted) {
            refuse(request);
            return true;
        }
        qint32 column = 0;
        qint32 id = 0;
        if (!numberField(fields.at(0), column) || !numberField(fields.at(2), id))
            return fail(request);
        if (id <= 0) {
            // No record has such an ID; on the main window it would stand for the row its user selected.
            SaveError(kInvalidCallError, QStringLiteral("Invalid procedure call or argument"),
                      QStringLiteral("frmBaseMain"));
            ReportError(kTag);
            request.replyLastError();
            return true;
        }
        if (gMainForm)
            gMainForm->EditGrid(column, StripSeparators(fields.at(1)), id);
    } else if (key == QLatin1String("EDIT CONTACT") || key == QLatin1String("ADD CONTACT") ||
               key == QLatin1String("DELETE CONTACT")) {
        if (restricted) {
            refuse(request);
            return true;
        }
        return contactChange(request, key, fields, lostContacts);
    } else if (key == QLatin1String("GET CONTACT UPDATE")) {
        request.event(QStringLiteral(" Requested a Contact Update"));
        request.reply(contactUpdate());
    } else if (key == QLatin1String("MINI DISPLAY STATS")) {
        clsCaller caller;
        caller.BuildCaller(fields.at(0), true);
        if (caller.BadData()) {
            // The client's pop-up waits for an answer: it gets one it can close its waiting note on.
            request.replyError(kTypeMismatchError, QStringLiteral("Bad caller record"));
            return true;
        }
        QString list = fields.at(1);
        list.replace(QLatin1Char('|'), QLatin1Char(';'));
        request.reply(QStringLiteral(";MINI DISPLAY STATS;") + miniDisplay().GenerateCallerInfo(caller, list));
    }
    return true;
}

bool ServerDispatcher::contactChange(const ServerRequest& request, const QString& key, const QStringList& fields,
                                     int& lostContacts)
{
    if (key == QLatin1String("DELETE CONTACT")) {
        if (DeleteContact(fields.at(0))) {
            request.event(QStringLiteral(" Deleted a Contact"));
            return true;
        }
        return refused(request, QStringLiteral(" Could not delete a Contact: "));
    }
    const bool add = key == QLatin1String("ADD CONTACT");
    clsContact received;
    received.BuildContact(fields.at(add ? 0 : 1));
    // Stored as this computer's own contact book would store it: a peer's text is cleaned as a typed one is.
    const clsContact contact = cleanedRecord(received);
    // A record without a name is no contact: stored, it could never be found, edited or removed again.
    if (received.BadData() || contact.Name.isEmpty()) {
        // Counted, and said once the unit has been read.
        ++lostContacts;
        return true;
    }
    if (!(add ? AddContact(contact) : EditContact(fields.at(0), contact)))
        return refused(request, add ? QStringLiteral(" Could not add a Contact: ")
                                    : QStringLiteral(" Could not edit The Contact DB: "));
    request.event(add ? QStringLiteral(" Added a Contact") : QStringLiteral(" Edited The Contact DB"));
    return true;
}

bool ServerDispatcher::refused(const ServerRequest& request, const QString& event)
{
    switch (gErrNumber) {
    case kDuplicateNameError:
    case kDuplicateNumberError:
    case kNoCurrentRecordError: // no contact stored under the old name: the client is told rather than left waiting
    case kDatabaseError:
        break;
    case kObjectNotSetError:
        // No contact book is open here (its file could not be used at start-up).
        SaveError(kDatabaseError, QStringLiteral("The server has no contact database open."),
                  QStringLiteral("modContactDB"));
        break;
    default:
        return fail(request);
    }
    request.replyLastError();
    request.event(event + gErrDescription);
    return true;
}

QString ServerDispatcher::contactUpdate()
{
    QString text = QStringLiteral(";CLEAR ATTRIBUTE GROUPS;");
    for (const auto& entry : gAttributeGroups)
        text += QStringLiteral(";ATTRIBUTE GROUP;") + entry.item->PrintSend();
    text += QStringLiteral(";CLEAR CONTACTS;");
    for (const auto& entry : gContacts)
        text += QStringLiteral(";CONTACT;") + entry.item->PrintSend();
    return text;
}

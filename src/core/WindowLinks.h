#pragma once

#include <QString>

#include <functional>

class QObject;
class clsContact;

// The calls the stores and shared functions make into windows and services of other subsystems (the
// contact book, the search window, the pop-up, the statistics engine and window, the server).
// Each of those sets its entries when it is created and clears them when it goes away; an entry that is
// not set stands for a window that is not loaded, and calling it does nothing.
struct WindowLinks {
    // frmContacts: visible, and the list updates that follow a store change (no database work).
    std::function<bool()> contactsVisible;
    std::function<void(const clsContact&)> contactsAddC;
    std::function<void(const QString&)> contactsRemoveC;
    std::function<void(const QString& oldName, const clsContact&)> contactsEditC;
    // frmContacts: refills its list and tree from gContacts and gAttributeGroups (the client's copies were
    // replaced by the server's).
    std::function<void()> contactsRefresh;

    // frmFind: visible, and the refill of its contact-name list.
    std::function<bool()> findVisible;
    std::function<void()> findUpdateContactNames;
    // frmFind: its current-query box and record count, which follow the main window's view.
    std::function<void(const QString&)> findSetCurrentSQL;
    std::function<void(int)> findSetRecords;

    // frmCustomizeMiniDisplay, while loaded: refills its two statistics lists (the statistics changed).
    std::function<void()> customizeMiniDisplayLoadCallerInfoList;

    // frmMiniDisplay: visible, and the reload of the shown caller's contact data.
    std::function<bool()> miniDisplayVisible;
    std::function<void()> miniDisplayRefreshContactInfo;

    // Statistics engine: rebuilds the groups made per contact.
    std::function<void()> updateContactGroups;
    // frmCustomizeStatistics, while visible: refills its group lists and keeps the chosen groups chosen (the
    // per-contact groups changed).
    std::function<void()> customizeStatisticsGroupsChanged;

    // frmCustomizeTime: shows the custom-period window modeless, owned by owner, for the caller named by
    // tag ("Main" or "Stats"); the window applies the chosen period itself.
    std::function<void(const QString& tag, QObject* owner)> showCustomizeTime;

    // frmStatistics: its waiting flag (set while a STATS or GRAPH waiting note is open).
    std::function<void(bool)> setStatisticsWaiting;
    // frmStatistics (client mode), once made: a STATISTIC or GRAPH reply from the server, the field after the
    // keyword. Each closes the waiting note of its kind, fills the grid or the graph while the window is shown
    // and releases the window once no request is pending. Unset, the dispatcher only closes the note.
    std::function<void(const QString& field)> statisticReply;
    std::function<void(const QString& field)> graphReply;
    // frmStatistics (client mode), once made: the user gave up waiting for its "STATS" or "GRAPH" request (the
    // kind); the window is released once no request is pending, and its reply, should it come, is dropped.
    std::function<void(const QString& kind)> statisticsGivenUp;

    // The server (standalone and server modes): sends a message to every connected client. Set by whoever
    // owns the server (start-up), for as long as it exists.
    std::function<void(const QString&)> broadcast;

    // The server read a ";NETCANCEL;" from the client with that connection number: the statistics engine
    // stops that client's answers at once, the one it computes and those waiting their turn (they still
    // reply, with what was done). Set by the statistics engine while it holds a client's answer.
    std::function<void(qint32 index)> netCancel;
};

WindowLinks& windowLinks();

// Helpers that check for a registered entry; the Visible ones are false when no window is registered.
namespace Links {
bool contactsVisible();
bool findVisible();
bool miniDisplayVisible();
// Sends to every client when a server is registered.
void broadcast(const QString& text);
// Tells the statistics engine of a client's cancel when it holds an answer of that client.
void netCancel(qint32 index);
} // namespace Links

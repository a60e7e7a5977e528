#pragma once

#include "core/clsCaller.h"
#include "core/clsContact.h"
#include "statistics/clsGroup.h"

#include <QList>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <functional>

class CallHandler;
class RemoteCallRoad;
class MiniDisplayView;

// The caller pop-up's list of recent callers, newest first, and the navigation between them and between
// the four screens of the caller shown. The window (frmMiniDisplay) is a thin view over this object; the
// call road, record editing, the contact loader and the log maintenance reach the pop-up through it, so
// none of them needs the widgets. Every operation does nothing while the pop-up is not shown.
class MiniDisplay : public QObject {
    Q_OBJECT
public:
    enum Screen { Labels = 0, CallerInfoScreen = 1, PictureScreen = 2, OtherInfoScreen = 3 };
    enum Arrow { Left = 0, Right = 1, Up = 2, Down = 3 };
    static constexpr int IncomingCallInterval = 400;
    // Lists longer than this fill with the progress window showing.
    static constexpr int ProgressThreshold = 100;

    explicit MiniDisplay(QObject* parent = nullptr);
    ~MiniDisplay() override;

    // --- state read by the detail windows, the context menu and the client dispatcher ---
    QList<clsCaller> Callers;  // item 0 is the newest
    int Position = 1;          // 1-based index of the caller shown
    clsCaller CurrentCaller;   // empty when the list is empty
    clsContact CurrentContact; // empty when the caller has no contact
    int CurrentScreen = Labels;

    // --- the window ---
    void setView(MiniDisplayView* view);
    MiniDisplayView* view() const { return m_view; }
    bool isShown() const;

    // How the call road opens the window and asks whether a modal dialog is up; the widget side installs
    // them when the program starts.
    struct WindowHooks {
        std::function<void()> show;       // creates the window on first use and shows it modeless
        std::function<bool()> dialogOpen; // IsDialogOpen
    };
    static void setWindowHooks(WindowHooks hooks);

    // --- the call road ---
    // First ring of a call: with PopupScreen on and no modal dialog open, checks the main window's
    // "Mini Display" menu item and shows the pop-up. True when it was shown.
    bool PopupScreen();
    void Show();
    // Lets a call handler reach the pop-up: the first ring shows it, every change of the call updates it,
    // every ring sets off its alert.
    void connectCallRoad(CallHandler* calls);
    // The same for a client's copy of its server's call.
    void connectCallRoad(RemoteCallRoad* calls);
    void UpdateForm(const clsCaller& caller);
    void Ring();
    void UpdateCaller(qint32 id, const clsCaller& caller);
    void RefreshContactInfo();
    void LoadData();
    // Client mode: the server's answer to the request LoadData sent, newest first. It replaces the list (two
    // answers never add up); a call the call road handed over after the request keeps the state the road
    // gave it, and is listed even when the answer was made before it was stored.
    void ReceiveList(const QList<clsCaller>& callers);
    // Client mode: a list asked of the server has not come yet.
    bool waitingForList() const { return m_loading && isShown(); }
    // Client mode: the user gave up waiting for that list; the calls heard of meanwhile stay listed.
    void ListGivenUp();
    void RefreshPosition();
    // Counts the calls the call road started: a command that waits on its user before acting on the call in
    // progress compares it afterwards to see whether that call is still the one ringing.
    quint64 callSerial() const { return m_callSerial; }
    // The call in progress as the call road last handed it over (empty before its first update).
    const clsCaller& liveCall() const { return m_liveCall; }

    // --- screens and navigation ---
    void SetScreen();
    void SetCallerInfo();
    void SetImage();
    void SetOtherInfo();
    void EnablePopupMenu();
    bool screenAvailable(int screen) const;
    void lblNavigate_Click(int index);
    void lblWindow_Click(int index);

    // --- the context menu's caller commands ---
    enum SearchKind { SearchName, SearchNumber, SearchContact };
    // The main window's call list narrowed to the caller's calls; the view-time marks are cleared. A client
    // asks its server for the calls instead.
    void Search(SearchKind kind);
    // The call-list query of a search for the caller; the caller's texts are matched as plain text.
    static QString searchSQL(SearchKind kind, const clsCaller& caller);
    // The logged-record window with the current caller's call as the log holds it, found by its record ID; a
    // client asks the server, by the call's date (the request carries nothing else). Nothing without a call
    // date. A call gone from the log opens the window with what it showed last, as the main window's command
    // does.
    void ViewOriginal();

    // The statistics text of screen 1 for a caller and a ";"-list of statistic descriptions.
    QString GenerateCallerInfo(const clsCaller& caller, const QString& infoList) const;
    // The calls the statistics text counts: the caller's own group (a per-contact or user-made group named
    // like the caller), else the numbers of the contact owning the caller's number, else that number alone.
    // An empty Group when the caller has neither name nor number to go by.
    static clsGroup callerGroup(const clsCaller& caller);
    // Whole days since the oldest logged call; 0 for an empty log and in client mode.
    static int GetFirstCallDate();
    // A statistic's value as the text shows it: the shortest general form, up to 15 significant digits.
    static QString statisticText(double value);

    // Caption blinking and the Block label while a call rings; public so it can be driven directly.
    QTimer IncomingCallTimer;
    void IncomingCallTimer_Timer();

    // The window was unloaded: the list and the caller shown are released.
    void Unload();
    // The program ends or changes its mode: the list goes, and the call that rang with it, whatever the window.
    void forgetCalls();

    // Client mode: a request to the server goes out through the client socket while it is connected;
    // requestSent tells of each one all the same.
    void SendData(const QString& text);

    // --- texts and numbers ---
    // LogSize as a whole number from 1 to 32767 (the stored text may be "10.5" or junk).
    static int logSize();
    static QString positionText(int position, int count);
    static QString answeredText(const QString& answered);
    static QString ringsText(qint32 rings);
    // The hover colour of the button labels: ButtonColor less 100, never below black.
    static quint32 hoverColour(quint32 buttonColour);
    // Colour settings: leading-number text, 32 bits.
    static quint32 colourSetting(const char* key, const char* defaultValue);

Q_SIGNALS:
    void requestSent(const QString& text);
    // The list or the caller shown changed (every RefreshPosition while the pop-up is shown).
    void listShown();

private:
    // A call handed over (live: by the call road; otherwise a record edit) while a fresh list is on its way.
    struct Arrival {
        clsCaller caller;
        bool live = false;
    };
    void noteArrival(const clsCaller& caller, bool live);
    // Puts a fresh list in place, with the arrivals noted since it was asked for laid over it.
    void takeList(QList<clsCaller> fresh);
    void callStarted();
    void goToScreen(int screen);
    static void matchContact(clsCaller& caller);
    static clsContact contactNamed(const QString& name);
    // The newest calls of the log, newest first, at most limit of them.
    static QList<clsCaller> newestCalls(int limit);

    MiniDisplayView* m_view = nullptr;
    // A fresh list is being read (behind the progress window) or waited for (from the server).
    bool m_loading = false;
    // Raised by every LoadData and Unload: a reading that yielded sees that a newer one took over.
    quint64 m_loadGeneration = 0;
    QList<Arrival> m_arrivals; // newest first
    quint64 m_callSerial = 0;
    clsCaller m_liveCall;
};

// The program's one pop-up list, created on first use.
MiniDisplay& miniDisplay();

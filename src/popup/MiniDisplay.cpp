#include "popup/MiniDisplay.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include <QHash>

#include "capture/CallHandler.h"
#include "capture/RemoteCallRoad.h"
#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/Processing.h"
#include "core/RecordFields.h"
#include "core/SettingsKeys.h"
#include "core/WindowLinks.h"
#include "core/modCallerDB.h"
#include "core/modContactDB.h"
#include "core/modError.h"
#include "core/modProperties.h"
#include "network/clsRemoteSocket.h"
#include "platform/SqlError.h"
#include "popup/MiniDisplayView.h"
#include "popup/PopupListDump.h"
#include "popup/modLoggedRecord.h"
#include "statistics/modStatEvaluation.h"
#include "statistics/modStatistics.h"

namespace {

MiniDisplay::WindowHooks& hooks()
{
    static MiniDisplay::WindowHooks h;
    return h;
}

const char* const DefaultCallerInfo = ";Total Calls;Calls in the Last Day;Calls in the Last Week;"
                                      "Calls Between 9pm and 1am;Most Calls in a Day;Most Calls in a Week;";

void stopBlinking()
{
    if (gMainForm)
        gMainForm->StopBlinking();
}

} // namespace

MiniDisplay::MiniDisplay(QObject* parent) : QObject(parent)
{
    IncomingCallTimer.setInterval(IncomingCallInterval);
    connect(&IncomingCallTimer, &QTimer::timeout, this, &MiniDisplay::IncomingCallTimer_Timer);
    WindowLinks& links = windowLinks();
    links.miniDisplayVisible = [this] { return isShown(); };
    links.miniDisplayRefreshContactInfo = [this] { RefreshContactInfo(); };
    if (const QString dump = PopupListDump::pathFromEnvironment(); !dump.isEmpty())
        new PopupListDump(*this, dump, this);
}

MiniDisplay::~MiniDisplay()
{
    WindowLinks& links = windowLinks();
    links.miniDisplayVisible = nullptr;
    links.miniDisplayRefreshContactInfo = nullptr;
}

MiniDisplay& miniDisplay()
{
    static MiniDisplay instance;
    return instance;
}

void MiniDisplay::setView(MiniDisplayView* view) { m_view = view; }

bool MiniDisplay::isShown() const { return m_view && m_view->isShown(); }

void MiniDisplay::setWindowHooks(WindowHooks h) { hooks() = std::move(h); }

// ---------------------------------------------------------------------------------------------------------
// Texts and numbers

int MiniDisplay::logSize()
{
    const double n = textToNumber(GetProperty(Section::frmMiniDisplay, Key::LogSize, QStringLiteral("10")), 10);
    qint32 whole = 10;
    if (!RecordFields::roundToInt32(n, whole))
        whole = n > 0 ? 32767 : 1;
    return std::clamp(whole, 1, 32767);
}

QString MiniDisplay::positionText(int position, int count)
{
    return QString::number(position) + QLatin1Char('/') + QString::number(count);
}

QString MiniDisplay::answeredText(const QString& answered)
{
    const QString a = answered.toUpper();
    if (a == QLatin1String("YES"))
        return QStringLiteral("Answered");
    if (a == QLatin1String("NO"))
        return QStringLiteral("Not Answered");
    if (a == QLatin1String("BLOCKED"))
        return QStringLiteral("Blocked");
    return QStringLiteral("N/A");
}

QString MiniDisplay::ringsText(qint32 rings) { return QString::number(rings) + QStringLiteral(" Rings"); }

quint32 MiniDisplay::hoverColour(quint32 buttonColour)
{
    // Below 100 the subtraction would wrap round to a near-white colour.
    return buttonColour > 100 ? buttonColour - 100 : 0;
}

quint32 MiniDisplay::colourSetting(const char* key, const char* defaultValue)
{
    const double v = RecordFields::leadingNumber(
        GetProperty(Section::frmMiniDisplay, QLatin1String(key), QLatin1String(defaultValue)));
    qint32 whole = 0;
    if (!std::isfinite(v) || !RecordFields::roundToInt32(v, whole)) {
        // Beyond 32 signed bits: keep the low 32 bits of a value that still fits an unsigned colour.
        if (std::isfinite(v) && v >= 0 && v <= 4294967295.0)
            return quint32(std::llround(v));
        return 0;
    }
    return quint32(whole);
}

// ---------------------------------------------------------------------------------------------------------
// The call road

bool MiniDisplay::PopupScreen()
{
    if (!textToBool(GetProperty(Section::frmConfiguration, Key::PopupScreen, QStringLiteral("True"))))
        return false;
    if (hooks().dialogOpen && hooks().dialogOpen())
        return false;
    if (gMainForm)
        gMainForm->CheckWindowMenuItem(MainWindow::WindowMenuMiniDisplay, true);
    Show();
    return isShown();
}

void MiniDisplay::Show()
{
    if (hooks().show)
        hooks().show();
}

void MiniDisplay::UpdateForm(const clsCaller& caller)
{
    if (!isShown())
        return;
    IncomingCallTimer.start();
    const auto same =
        std::find_if(Callers.begin(), Callers.end(), [&](const clsCaller& c) { return c.ID == caller.ID; });
    if (same != Callers.end()) {
        Callers.erase(same);
    } else {
        // Trim while at or above the limit, so a list that grew under a larger limit comes back down.
        const int limit = logSize();
        while (!Callers.isEmpty() && Callers.size() >= limit)
            Callers.removeLast();
    }
    Callers.prepend(caller);
    if (m_loading)
        noteArrival(caller, true);
    Position = 1;
    RefreshPosition();
}

void MiniDisplay::Ring()
{
    if (!isShown())
        return;
    m_view->vibrate();
    m_view->flash();
    IncomingCallTimer.start();
}

void MiniDisplay::IncomingCallTimer_Timer()
{
    if (gRinging) {
        if (m_view) {
            m_view->setBlockVisible(true);
            m_view->setCaption(m_view->caption().isEmpty() ? QStringLiteral("Incoming Call") : QString());
        }
        return;
    }
    if (m_view) {
        m_view->setBlockVisible(false);
        m_view->setCaption(QString());
    }
    IncomingCallTimer.stop();
}

void MiniDisplay::UpdateCaller(qint32 id, const clsCaller& caller)
{
    (void)id; // the record's own ID is the one compared, as it always was
    // A call that could not be stored has no ID to be found by: another unstored call's entry is not its.
    if (!isShown() || caller.ID == 0)
        return;
    for (clsCaller& c : Callers) {
        if (c.ID == caller.ID) {
            c = caller;
            break;
        }
    }
    if (m_loading)
        noteArrival(caller, false);
    RefreshPosition();
}

void MiniDisplay::RefreshContactInfo()
{
    if (!isShown())
        return;
    for (clsCaller& c : Callers)
        matchContact(c);
    RefreshPosition();
}

void MiniDisplay::RefreshPosition()
{
    if (!isShown())
        return;
    EnablePopupMenu();
    if (Position < 1)
        Position = 1;
    if (Position > Callers.size())
        Position = int(Callers.size());

    if (Callers.isEmpty()) {
        // Nothing is listed (a cleared log): nothing of a deleted call may stay on show.
        CurrentCaller = clsCaller();
        CurrentContact = clsContact();
        m_view->setCallerTexts(positionText(0, 0), QString(), QString(), QString(), QString(), QString());
    } else {
        CurrentCaller = Callers.at(Position - 1);
        CurrentContact = contactNamed(CurrentCaller.ContactName);
        m_view->setCallerTexts(positionText(Position, int(Callers.size())), CurrentCaller.PrintNameDescription(),
                               CurrentCaller.Number.Number, CurrentCaller.CallerDate, ringsText(CurrentCaller.Rings),
                               answeredText(CurrentCaller.Answered));
    }
    CurrentScreen = Labels;
    SetScreen();
    for (int screen : {OtherInfoScreen, PictureScreen, CallerInfoScreen}) {
        if (m_view->detailVisible(screen))
            m_view->refreshDetail(screen);
    }
    Q_EMIT listShown();
}

// ---------------------------------------------------------------------------------------------------------
// Screens

void MiniDisplay::SetScreen()
{
    if (!m_view)
        return;
    const bool picture =
        textToBool(GetProperty(Section::frmMiniDisplay, Key::PictureBackground, QStringLiteral("False"))) &&
        !isClientMode();
    m_view->showCallerLabels(picture, picture ? CurrentContact.ImageFile : QString());
}

void MiniDisplay::SetCallerInfo()
{
    if (!m_view)
        return;
    const QString list = GetProperty(Section::frmMiniDisplay, Key::CallerInfo, QLatin1String(DefaultCallerInfo));
    if (!isClientMode()) {
        m_view->showCallerInfo(GenerateCallerInfo(CurrentCaller, list));
        return;
    }
    // The server works the statistics out; its reply fills the text box.
    m_view->showCallerInfo(QString());
    m_view->showWaiting(QStringLiteral("MINI DISPLAY STATS"));
    QString pipes = list;
    pipes.replace(QLatin1Char(';'), QLatin1Char('|'));
    SendData(QStringLiteral(";MINI DISPLAY STATS;") + CurrentCaller.PrintSend() + QLatin1Char(';') + pipes +
             QLatin1Char(';'));
}

void MiniDisplay::SetImage()
{
    if (!m_view || isClientMode())
        return;
    m_view->showImage(CurrentContact.ImageFile);
}

void MiniDisplay::SetOtherInfo()
{
    if (!m_view)
        return;
    m_view->showOtherInfo(CurrentContact.OtherInfo.isEmpty() ? QStringLiteral("<other information not available>")
                                                             : CurrentContact.OtherInfo);
}

void MiniDisplay::EnablePopupMenu()
{
    if (m_view)
        m_view->enablePopupMenu(!Callers.isEmpty());
}

bool MiniDisplay::screenAvailable(int screen) const
{
    switch (screen) {
    case Labels:
        return true;
    case CallerInfoScreen:
    case OtherInfoScreen:
        return !(m_view && m_view->detailVisible(screen));
    case PictureScreen:
        return !isClientMode() && !(m_view && m_view->detailVisible(screen));
    default:
        return false;
    }
}

void MiniDisplay::goToScreen(int screen)
{
    CurrentScreen = screen;
    switch (screen) {
    case Labels:
        SetScreen();
        break;
    case CallerInfoScreen:
        SetCallerInfo();
        break;
    case PictureScreen:
        SetImage();
        break;
    case OtherInfoScreen:
        SetOtherInfo();
        break;
    }
}

void MiniDisplay::lblNavigate_Click(int index)
{
    stopBlinking();
    const auto beep = [this] {
        if (m_view)
            m_view->beep();
    };
    switch (index) {
    case Left:
        if (Position > 1) {
            --Position;
            RefreshPosition();
        } else {
            beep();
        }
        break;
    case Right:
        if (Position < Callers.size()) {
            ++Position;
            RefreshPosition();
        } else {
            beep();
        }
        break;
    case Up:
        if (CurrentScreen <= Labels) {
            beep();
            break;
        }
        for (int s = CurrentScreen - 1; s >= Labels; --s) {
            if (screenAvailable(s)) {
                goToScreen(s);
                break;
            }
        }
        break;
    case Down: {
        for (int s = CurrentScreen + 1; s <= OtherInfoScreen; ++s) {
            if (screenAvailable(s)) {
                goToScreen(s);
                return;
            }
        }
        beep();
        break;
    }
    default:
        break;
    }
}

void MiniDisplay::lblWindow_Click(int index)
{
    (void)index; // both buttons act on the screen shown
    if (!m_view)
        return;
    const auto firstAvailable = [this](std::initializer_list<int> order) {
        for (int s : order) {
            if (screenAvailable(s))
                return s;
        }
        return int(Labels);
    };
    switch (CurrentScreen) {
    case CallerInfoScreen:
        m_view->openDetail(CallerInfoScreen);
        goToScreen(firstAvailable({PictureScreen, OtherInfoScreen}));
        break;
    case PictureScreen:
        if (isClientMode())
            break;
        m_view->openDetail(PictureScreen);
        goToScreen(firstAvailable({OtherInfoScreen, CallerInfoScreen}));
        break;
    case OtherInfoScreen:
        m_view->openDetail(OtherInfoScreen);
        goToScreen(firstAvailable({PictureScreen, CallerInfoScreen}));
        break;
    default:
        break;
    }
}

QString MiniDisplay::searchSQL(SearchKind kind, const clsCaller& caller)
{
    auto quoted = [](QString text) {
        return QLatin1Char('\'') + text.replace(QLatin1Char('\''), QLatin1String("''")) + QLatin1Char('\'');
    };
    const QString number = caller.Number.Number;
    const QString head = QStringLiteral("Select * From tblCID Where ");
    switch (kind) {
    case SearchName:
        return head + QStringLiteral("fldName = ") + quoted(caller.Name);
    case SearchNumber:
        return head + QStringLiteral("fldNumber = ") + quoted(number);
    case SearchContact:
        break;
    }
    // The contact the call list and the pop-up show for this number: the first owner in the book's order.
    const std::shared_ptr<clsContact> owner = FindContactByNumber(number);
    const QString condition = owner->Name.isEmpty() ? QString() : ContactCondition(*owner);
    return head + (condition.isEmpty() ? NumberCondition(number) : condition);
}

void MiniDisplay::Search(SearchKind kind)
{
    if (!gMainForm)
        return;
    gMainForm->strSQL = searchSQL(kind, CurrentCaller);
    gMainForm->UncheckTimeMenu();
    if (isClientMode()) {
        if (m_view)
            m_view->showWaiting(QStringLiteral("SQL"));
        SendData(QStringLiteral(";SQL;") + gMainForm->strSQL);
        return;
    }
    gMainForm->UpdateSQL();
    gMainForm->RefreshGrid();
}

void MiniDisplay::ViewOriginal()
{
    if (CurrentCaller.CallerDate.isEmpty())
        return;
    if (isClientMode()) {
        SendData(QStringLiteral(";ORIGINAL ID MINI DISPLAY;") + CurrentCaller.CallerDate + QLatin1Char(';'));
        return;
    }
    // By the record's ID: two calls may share the second the date is written to.
    const auto record = CurrentCaller.ID != 0 ? FindLoggedRecordByID(CurrentCaller.ID) : std::nullopt;
    if (m_view)
        m_view->showLoggedRecord(record);
}

QString MiniDisplay::GenerateCallerInfo(const clsCaller& caller, const QString& infoList) const
{
    if (isClientMode())
        return QString();
    const QString name = caller.ContactName.isEmpty() ? caller.Name : caller.ContactName;
    QString text = QStringLiteral("Caller Info: ") + name;
    const clsGroup group = callerGroup(caller);
    // Without a name or a number there is nothing to pick the caller's calls by; an empty condition would
    // count the whole log under this caller's name.
    if (group.Group.isEmpty())
        return text;
    const int days = GetFirstCallDate();
    const QStringList pieces = infoList.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    // Each statistic is worked out once, however often the list names it: a client's list may name one a
    // hundred thousand times, each a query of the log while the calls wait.
    QHash<const clsStatistic*, QString> lines;
    for (const QString& piece : pieces) {
        const auto statistic = GetStatistic(piece, gStatistics.get());
        if (statistic->Description.isEmpty())
            continue;
        auto line = lines.constFind(statistic.get());
        if (line == lines.cend()) {
            const double value = ExecuteStat(*statistic, group, days, QString());
            line = lines.insert(statistic.get(), QStringLiteral("\r\n") + statistic->Description +
                                                     QStringLiteral(": ") + statisticText(value));
        }
        text += *line;
    }
    return text;
}

clsGroup MiniDisplay::callerGroup(const clsCaller& caller)
{
    const QString name = caller.ContactName.isEmpty() ? caller.Name : caller.ContactName;
    if (!name.isEmpty()) {
        const auto known = GetGroup(name, gGroups.get());
        if (!known->Description.isEmpty())
            return *known;
    }
    clsGroup group;
    const QString number = caller.Number.Number;
    if (number.isEmpty())
        return group;
    const auto contact = FindContactByNumber(number);
    if (contact && !contact->Name.isEmpty()) {
        group.Description = contact->Name;
        group.Group = ContactCondition(*contact);
    }
    if (group.Group.isEmpty()) {
        group.Description = caller.Name;
        group.Group = NumberCondition(number);
    }
    return group;
}

int MiniDisplay::GetFirstCallDate()
{
    // The whole log's age in days, as the statistics window counts it for "any time".
    return PeriodDays(0);
}

QString MiniDisplay::statisticText(double value)
{
    // The engine's two failures read as the statistics grid shows them, not as numbers of calls.
    if (value == kStatTooComplex)
        return QStringLiteral("Too Complex");
    if (value == kStatBadSql)
        return QStringLiteral("Bad SQL");
    return QString::number(value, 'g', 15);
}

void MiniDisplay::Unload()
{
    // A reading still under way (behind its progress window) has nothing left to fill.
    ++m_loadGeneration;
    m_loading = false;
    m_arrivals.clear();
    IncomingCallTimer.stop();
    CurrentCaller = clsCaller();
    CurrentContact = clsContact();
    Callers.clear();
}

void MiniDisplay::forgetCalls()
{
    Unload();
    m_liveCall = clsCaller();
}

void MiniDisplay::SendData(const QString& text)
{
    Q_EMIT requestSent(text);
    if (gRemoteSocket)
        gRemoteSocket->SendData(text);
}

// ---------------------------------------------------------------------------------------------------------
// Filling the list

void MiniDisplay::LoadData()
{
    if (!isShown())
        return;
    Callers.clear();
    const quint64 generation = ++m_loadGeneration;
    m_loading = true;
    m_arrivals.clear();
    if (isClientMode()) {
        // The server answers with one record a message, newest first; ReceiveList puts them in place.
        m_view->showWaiting(QStringLiteral("MINI DISPLAY"));
        SendData(QStringLiteral(";MINI DISPLAY;") + QString::number(logSize()) + QLatin1Char(';'));
        return;
    }
    const QList<clsCaller> rows = newestCalls(logSize());
    const int n = int(rows.size());
    std::unique_ptr<Processing> progress;
    if (n > ProgressThreshold && isShown())
        progress = std::make_unique<Processing>(n, QStringLiteral("Processing Mini Display Data..."),
                                                m_view->windowObject(), QStringLiteral("MINI DISPLAY"));
    // Read into a list of its own: the progress window yields to the event loop, where a call may reach the
    // pop-up, the log may be pruned (which reads the list again) or the window may close.
    QList<clsCaller> fresh;
    for (int i = 0; i < n; ++i) {
        // A click on Stop ends the filling with what was read so far.
        if (progress && progress->StopProcessing())
            break;
        if (progress) {
            progress->Increment();
            if (generation != m_loadGeneration)
                break;
        }
        clsCaller caller = rows.at(i);
        matchContact(caller);
        fresh.append(caller);
    }
    if (progress)
        progress->Unload();
    // A newer reading took over, or the window went: this one's rows are out of date.
    if (generation != m_loadGeneration || !isShown())
        return;
    takeList(std::move(fresh));
}

void MiniDisplay::ReceiveList(const QList<clsCaller>& callers)
{
    if (!isShown())
        return;
    takeList(callers);
}

void MiniDisplay::ListGivenUp()
{
    if (!m_loading)
        return;
    m_loading = false;
    m_arrivals.clear();
    RefreshPosition();
}

void MiniDisplay::noteArrival(const clsCaller& caller, bool live)
{
    bool wasLive = false;
    for (qsizetype i = 0; i < m_arrivals.size(); ++i) {
        if (m_arrivals.at(i).caller.ID == caller.ID) {
            wasLive = m_arrivals.at(i).live;
            m_arrivals.removeAt(i);
            break;
        }
    }
    // A live call keeps its place at the top; an edit of a call that is not live stays where the list has it.
    if (live || wasLive)
        m_arrivals.prepend({caller, true});
    else
        m_arrivals.append({caller, false});
    // Only a list's worth can matter; an answer that never comes (a server's empty log) must not make this grow.
    while (m_arrivals.size() > logSize())
        m_arrivals.removeLast();
}

void MiniDisplay::takeList(QList<clsCaller> fresh)
{
    // Oldest arrival first, so the newest call ends on top as UpdateForm would have put it.
    for (qsizetype a = m_arrivals.size() - 1; a >= 0; --a) {
        const Arrival& arrival = m_arrivals.at(a);
        const auto same =
            std::find_if(fresh.begin(), fresh.end(), [&](const clsCaller& c) { return c.ID == arrival.caller.ID; });
        if (arrival.live) {
            if (same != fresh.end())
                fresh.erase(same);
            fresh.prepend(arrival.caller);
        } else if (same != fresh.end()) {
            *same = arrival.caller;
        }
    }
    const int limit = logSize();
    while (fresh.size() > limit)
        fresh.removeLast();
    m_arrivals.clear();
    m_loading = false;
    Callers = std::move(fresh);
    RefreshPosition();
}

// ---------------------------------------------------------------------------------------------------------
// Contacts, the call log and the call road

void MiniDisplay::matchContact(clsCaller& caller) { MatchCallerToContact(caller.Number.Number, caller); }

clsContact MiniDisplay::contactNamed(const QString& name)
{
    const std::shared_ptr<clsContact> contact = GetContact(name);
    return contact ? *contact : clsContact();
}

void MiniDisplay::callStarted()
{
    ++m_callSerial;
    m_liveCall = clsCaller();
}

void MiniDisplay::connectCallRoad(CallHandler* calls)
{
    connect(calls, &CallHandler::callStarted, this, [this] { callStarted(); });
    connect(calls, &CallHandler::popupRequested, this, [this] { PopupScreen(); });
    connect(calls, &CallHandler::popupUpdate, this, [this](const clsCaller& caller) {
        m_liveCall = caller;
        UpdateForm(caller);
    });
    connect(calls, &CallHandler::popupRing, this, [this] { Ring(); });
    connect(calls, &CallHandler::popupCallChanged, this,
            [this](const clsCaller& caller) { UpdateCaller(caller.ID, caller); });
}

void MiniDisplay::connectCallRoad(RemoteCallRoad* calls)
{
    connect(calls, &RemoteCallRoad::callStarted, this, [this] { callStarted(); });
    connect(calls, &RemoteCallRoad::popupRequested, this, [this] { PopupScreen(); });
    connect(calls, &RemoteCallRoad::popupUpdate, this, [this](const clsCaller& caller) {
        m_liveCall = caller;
        UpdateForm(caller);
    });
    connect(calls, &RemoteCallRoad::popupRing, this, [this] { Ring(); });
    connect(calls, &RemoteCallRoad::popupCallChanged, this,
            [this](const clsCaller& caller) { UpdateCaller(caller.ID, caller); });
}

QList<clsCaller> MiniDisplay::newestCalls(int limit)
{
    // Only the newest rows are read, walking back from the newest; calls of the same second keep the order
    // they were stored in.
    try {
        return SelectCallers(
            QStringLiteral("Select * From tblCID Order By fldDate Desc, ID Desc Limit %1").arg(std::max(0, limit)));
    } catch (const SqlError& e) {
        SaveError(e.code(), e.message(), QStringLiteral("frmMiniDisplay_LoadData"));
        ReportError(QStringLiteral("frmMiniDisplay_LoadData"));
        return {};
    }
}

#include "capture/CallHandler.h"

#include <algorithm>
#include <optional>
#include <utility>

#include <QPointer>

#include "capture/ModemPort.h"
#include "capture/clsSound.h"
#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/SettingsKeys.h"
#include "core/modAttributeGroup.h"
#include "core/modCallerDB.h"
#include "core/modContactDB.h"
#include "core/modError.h"
#include "core/modMain.h"
#include "core/modProperties.h"
#include "network/clsServer.h"
#include "platform/Clock.h"
#include "platform/DateText.h"
#include "platform/ProgramFolder.h"

namespace {

const QString kNotReceived = QStringLiteral("NOT RECEIVED");
const QString kBlocked = QStringLiteral("BLOCKED");

QString option(const char* key, const QString& fallback)
{
    return GetProperty(Section::frmConfiguration, QString::fromLatin1(key), fallback);
}

void broadcast(const QString& text)
{
    if (gServer)
        gServer->SendData(text, -1, -1);
}

bool isNoGroup(const QString& group)
{
    return group.isEmpty() || group.compare(QLatin1String("<none>"), Qt::CaseInsensitive) == 0;
}

QString stripBlockText(QString text)
{
    text.remove(QLatin1Char(')'));
    text.remove(QLatin1Char('('));
    text.remove(QLatin1Char('-'));
    text.remove(QLatin1Char(' '));
    return text;
}

} // namespace

CallHandler::CallHandler(ModemPort* port, QObject* parent)
    : QObject(parent), CurrentCaller(std::make_shared<clsCaller>()), m_port(port)
{
    RingTimer.setInterval(1000);
    AnswerTimer.setInterval(1000);
    connect(&RingTimer, &QTimer::timeout, this, &CallHandler::RingTimer_Timer);
    connect(&AnswerTimer, &QTimer::timeout, this, &CallHandler::AnswerTimer_Timer);
    if (m_port) {
        connect(m_port, &ModemPort::lineReceived, this, &CallHandler::ProcessEvent);
        // What rang before the port was closed (released, lost, reopened with other settings) cannot go on
        // after it opens again: the lines that come now are a new call's.
        connect(m_port, &ModemPort::portOpened, this, [this] {
            if (m_ended)
                return;
            if (callRinging())
                endRinging();
            if (m_pending)
                pendingBecomesCall();
        });
    }
}

CallHandler::~CallHandler()
{
    if (m_unstored)
        logUnstored();
}

void CallHandler::noteUnstored(const std::shared_ptr<clsCaller>& caller, const QString& reason)
{
    if (caller != CurrentCaller || !gRinging) {
        m_unstored = caller;
        m_unstoredReason = reason;
        logUnstored();
        return;
    }
    if (m_unstored == caller)
        return;
    if (m_unstored)
        logUnstored();
    m_unstored = caller;
    m_unstoredReason = reason;
    AddLastingEvent(QStringLiteral("Could not store the incoming call in the call log: ") + reason);
}

void CallHandler::logUnstored()
{
    const std::shared_ptr<clsCaller> c = std::move(m_unstored);
    m_unstored.reset();
    AddLastingEvent(QStringLiteral("Call not stored (") + m_unstoredReason + QStringLiteral("):  ") + c->CallerDate +
                    QStringLiteral("     ") + c->Name + QStringLiteral("     ") + c->Number.Number +
                    QStringLiteral("     ") + QString::number(c->Rings) + QStringLiteral(" Rings     ") + c->Answered);
}

QString CallHandler::lineValue(const QString& line, const QString& tag)
{
    // "NMBR=value", "NMBR = value", "NMBR value" and "NMBRvalue" alike: the blanks around the tag's "=" (a tab
    // reads as one) separate, those inside the value are the caller's. Of a value glued to its tag only the tag
    // in front goes: the same letters inside the value are the caller's.
    QString value = line.mid(tag.size()).trimmed();
    if (value.startsWith(QLatin1Char('=')))
        value = value.mid(1).trimmed();
    // A value never carries the record and message separators, nor control characters, into a record.
    value = StripSeparators(value, QStringLiteral("?"));
    value.removeIf([](QChar c) { return c.category() == QChar::Other_Control; });
    return value.toUpper();
}

QString CallHandler::formatNumber(const QString& value)
{
    if (value.size() == 10)
        return QLatin1Char('(') + value.left(3) + QStringLiteral(") ") + value.mid(3, 3) + QLatin1Char('-') +
               value.mid(6, 4);
    if (value.size() == 7)
        return value.left(3) + QLatin1Char('-') + value.mid(3, 4);
    if (value == QLatin1String("o") || value == QLatin1String("0") || value == QLatin1String("O"))
        return QStringLiteral("UNKNOWN NUMBER");
    if (value == QLatin1String("p") || value == QLatin1String("P"))
        return QStringLiteral("PRIVATE NUMBER");
    return value;
}

QString CallHandler::formatName(const QString& value)
{
    if (value == QLatin1String("o") || value == QLatin1String("0") || value == QLatin1String("O"))
        return QStringLiteral("UNKNOWN NUMBER");
    if (value == QLatin1String("p") || value == QLatin1String("P"))
        return QStringLiteral("PRIVATE NUMBER");
    return value;
}

bool CallHandler::isRing(const QString& line)
{
    if (line.compare(QLatin1String("RING"), Qt::CaseInsensitive) == 0)
        return true;
    // A modem that tells distinctive rings apart says which one rang after a blank, or a few: "RING 2", "RING B".
    if (!line.startsWith(QLatin1String("RING "), Qt::CaseInsensitive))
        return false;
    const QStringView code = QStringView(line).mid(5).trimmed();
    return !code.isEmpty() && code.size() <= 4 &&
           std::all_of(code.begin(), code.end(), [](QChar c) { return c.isLetterOrNumber() && c.unicode() < 128; });
}

QString CallHandler::ringEvent(const clsCaller& caller)
{
    return QStringLiteral("Incoming Call From:  ") + caller.PrintNameDescription() + QStringLiteral("     ") +
           caller.Number.Number + QStringLiteral("     ") + QString::number(caller.Rings) + QStringLiteral(" Rings");
}

QString CallHandler::ringGivenBackEvent(const clsCaller& caller)
{
    return ringEvent(caller) + QStringLiteral(" (its last ring was the next caller's)");
}

bool CallHandler::callRinging() const { return gRinging && CurrentCaller->Rings > 0; }

void CallHandler::fill(clsCaller& caller, const QString& tag, const QString& line)
{
    QString* field = tag == QLatin1String("NMBR")   ? &caller.Number.Number
                     : tag == QLatin1String("NAME") ? &caller.Name
                                                    : nullptr;
    // "DATE" and "TIME" are not used: the call's time is the computer's clock.
    if (!field)
        return;
    // A line that says nothing for its tag ("NAME=", a block sent again without its name) takes nothing away from
    // what the call was told, whether its ring or its block came first.
    const QString value = lineValue(line, tag);
    if (value.isEmpty() && *field != kNotReceived)
        return;
    *field = field == &caller.Name ? formatName(value) : formatNumber(value);
}

void CallHandler::ProcessEvent(const QString& line)
{
    if (m_port && m_port->noteResult(line))
        return;
    if (m_ended)
        return;
    if (isRing(line)) {
        RingUpdate();
        return;
    }
    const QString tag = line.left(4).toUpper();
    const bool callerId = tag == QLatin1String("NMBR") || tag == QLatin1String("NAME") ||
                          tag == QLatin1String("DATE") || tag == QLatin1String("TIME");
    if (!callerId)
        return;
    if (!callRinging()) {
        hearBeforeRing(tag, line);
        return;
    }
    if (m_rangAfterCallerId && m_blockLeadsRings) {
        // The ringing call had its block before its first ring; one heard after a ring is the next caller's,
        // and the call keeps every ring it had.
        endRinging();
        hearBeforeRing(tag, line);
        return;
    }
    // A second caller close behind the first (a redial, a caller who hung up after a ring or two) is told
    // apart by nothing but its own caller-ID lines after a RING; without them, a RING within the call's
    // eight seconds is one more ring of it.
    if (m_rangAfterCallerId)
        beginCallAtLastRing();
    m_heardCallerId = true;
    m_rangAfterCallerId = false;
    if (tag == QLatin1String("NMBR") || tag == QLatin1String("NAME")) {
        fill(*CurrentCaller, tag, line);
        UpdateNewCall();
    }
}

void CallHandler::hearBeforeRing(const QString& tag, const QString& line)
{
    const BlockLine heard{tag, lineValue(line, tag), line, Clock::now()};
    // The ring timer starts again at every line of a block: no tick since the held block's last line means
    // this one came under a second after it.
    const bool withinAMoment = m_pending && m_pendingTicks == 0;
    bool repeats = false;
    if (!m_repeat.isEmpty()) {
        const bool saidAgain =
            std::any_of(m_repeat.cbegin(), m_repeat.cend(), [&tag](const BlockLine& l) { return l.tag == tag; });
        const std::optional<QString> held = heldValue(tag);
        if (saidAgain) {
            // The repeat said all it had and nothing against the held block: the same caller. This line is
            // weighed against the block as the repeat left it.
            settleRepeat();
        } else if (!held || *held == heard.value || heard.value.isEmpty() || tag == QLatin1String("NAME")) {
            // The same DATE, TIME and NMBR at once is the same caller, whatever name it is given: the later
            // name is the one kept. A line that says nothing says nothing against it.
            repeats = true;
        } else {
            // A line against the held block: it was the next caller's block, close behind, and the held block
            // is a call of its own.
            const QList<BlockLine> next = std::exchange(m_repeat, {});
            pendingBecomesCall();
            for (const BlockLine& l : next)
                holdLine(l);
        }
    }
    if (!repeats && m_repeat.isEmpty()) {
        if (const std::optional<QString> held = heldValue(tag)) {
            // A tag heard again begins the next block; one that says again what the held block said, or says
            // nothing, at once, may be the same block sent twice (its NAME first), which the lines after it decide.
            if (withinAMoment && (*held == heard.value || heard.value.isEmpty()))
                repeats = true;
            else
                pendingBecomesCall();
        }
    }
    if (repeats)
        m_repeat << heard;
    else
        holdLine(heard);
    // The call's eight seconds count from the block's last line.
    m_pendingTicks = 0;
    RingTimer.start();
}

void CallHandler::holdLine(const BlockLine& heard)
{
    if (!m_pending) {
        m_pending = std::make_shared<clsCaller>();
        m_pending->Name = kNotReceived;
        m_pending->Number.Number = kNotReceived;
        m_pending->Answered = QStringLiteral("N/A");
        m_pendingAt = heard.at;
        m_pendingLines.clear();
    }
    m_pendingLines << heard;
    fill(*m_pending, heard.tag, heard.line);
}

std::optional<QString> CallHandler::heldValue(const QString& tag) const
{
    for (auto l = m_pendingLines.crbegin(); l != m_pendingLines.crend(); ++l)
        if (l->tag == tag)
            return l->value;
    return std::nullopt;
}

void CallHandler::settleRepeat()
{
    // Every line of it agreed with the held block but for the name: what the held block lacked completes it, and
    // a name said again is the one kept.
    for (const BlockLine& l : std::exchange(m_repeat, {}))
        if (heldValue(l.tag) != l.value)
            holdLine(l);
}

std::shared_ptr<clsCaller> CallHandler::takePending()
{
    settleRepeat();
    m_pendingLines.clear();
    return std::exchange(m_pending, nullptr);
}

void CallHandler::pendingBecomesCall()
{
    const std::shared_ptr<clsCaller> caller = takePending();
    if (!caller)
        return;
    if (!callRinging())
        RingTimer.stop();
    caller->CallerDate = DateText::format(m_pendingAt);
    const QString number = caller->Number.Number;
    // The caller hung up before the first ring: nothing is left to pick up or to announce, but the call is
    // listed under its contact.
    if (number != kNotReceived && !number.isEmpty())
        MatchCallerToContact(number, *caller);
    AddCaller(*caller);
    // Told to the clients and logged like any call, also when this road ends with its window: only the window
    // and the pop-up, which go with it, hear nothing of it then. In one send, unlike a ring's: a client that finds
    // the call's record and no ring in the send that began it knows at once that it never rang.
    broadcast(QStringLiteral(";NEW;;INCOMING CALLER;") + caller->PrintSend());
    if (m_ended) {
        if (caller->ID == 0)
            noteUnstored(caller, gErrDescription);
        AddEvent(ringEvent(*caller));
        return;
    }
    m_newest = caller;
    if (caller->ID != 0) {
        Q_EMIT callAdded(*caller);
        if (gMainForm)
            gMainForm->UpdateStatus();
    } else {
        noteUnstored(caller, gErrDescription);
    }
    if (textToBool(option(Key::PopupScreen, QStringLiteral("True"))))
        Q_EMIT popupRequested();
    AddEvent(ringEvent(*caller));
    Q_EMIT popupUpdate(*caller);
}

void CallHandler::store(const std::shared_ptr<clsCaller>& caller)
{
    if (caller->ID != 0 && !EditCaller(caller->ID, *caller)) {
        const QString reason = gErrDescription;
        if (m_unstored != caller) {
            // Said once a call, in a notice: the call goes on, and so do the calls after it, while nobody has
            // read it yet.
            const ReportWithoutWaiting noticeOnly;
            ShowError(QString());
        }
        noteUnstored(caller, reason);
    }
}

void CallHandler::show(const clsCaller& caller)
{
    if (caller.ID != 0)
        Q_EMIT callUpdated(caller.ID, caller);
}

void CallHandler::playSound(const QString& path, const clsCaller& caller)
{
    if (gSound)
        gSound->PlaySound(path, caller);
}

void CallHandler::RingUpdate() { ring(Clock::now()); }

void CallHandler::tellPopup(const std::shared_ptr<clsCaller>& caller)
{
    if (caller == m_newest.lock())
        Q_EMIT popupUpdate(*caller);
    else
        Q_EMIT popupCallChanged(*caller);
}

void CallHandler::publish(const std::shared_ptr<clsCaller>& caller)
{
    store(caller);
    broadcast(QStringLiteral(";INCOMING CALLER;") + caller->PrintSend());
    show(*caller);
    tellPopup(caller);
}

void CallHandler::beginCallAtLastRing()
{
    const std::shared_ptr<clsCaller> ended = CurrentCaller;
    ended->Rings = qMax(0, ended->Rings - 1);
    // Its clients hear of it before the new call's ";NEW;", while it is still the call they follow; the
    // activity log, which said the ring was this call's, is put right too.
    publish(ended);
    AddEvent(ringGivenBackEvent(*ended));
    endRinging();
    ring(m_lastRingAt);
}

void CallHandler::endRinging()
{
    if (m_unstored && m_unstored == CurrentCaller)
        logUnstored();
    gRinging = false;
    CallHandled = false;
    CurrentCaller = std::make_shared<clsCaller>();
    RingTicks = 0;
    RingTimer.stop();
    m_heardCallerId = false;
    m_rangAfterCallerId = false;
    m_blockLeadsRings = false;
}

void CallHandler::ring(const QDateTime& at)
{
    if (m_ended)
        return;
    // The call as it was first stored, for the window once the clients have heard of the ring.
    std::optional<clsCaller> added;
    const bool firstRing = CurrentCaller->Rings == 0;
    // The caller ID heard before this first ring is this call's.
    const std::shared_ptr<clsCaller> heard = firstRing ? takePending() : nullptr;
    if (firstRing) {
        CurrentCaller = std::make_shared<clsCaller>();
        m_newest = CurrentCaller;
        CallHandled = false;
        m_heardCallerId = heard != nullptr;
        m_blockLeadsRings = heard != nullptr;
        m_rangAfterCallerId = false;
        gRinging = true;
        RingTimer.start();
        // The new call takes the answered test over; an earlier call that was blocked must not stop it.
        WatchedCaller = CurrentCaller;
        if (!AnswerTimer.isActive())
            AnswerTimer.start();
        Q_EMIT callStarted();

        clsCaller& c = *CurrentCaller;
        c.CallerDate = DateText::format(at);
        c.Name = heard ? heard->Name : kNotReceived;
        c.Number.Number = heard ? heard->Number.Number : kNotReceived;
        c.Answered = QStringLiteral("N/A");

        // Stored, then told to the clients at once; the window, the pop-up and the sounds come after.
        AddCaller(c);
        broadcast(QStringLiteral(";NEW;"));
        broadcast(QStringLiteral(";INCOMING CALLER;") + c.PrintSend());
        if (c.ID != 0)
            added = c;
        else
            noteUnstored(CurrentCaller, gErrDescription);
    }

    const std::shared_ptr<clsCaller> caller = CurrentCaller;
    caller->Rings += 1;
    m_lastRingAt = at;
    m_rangAfterCallerId = m_heardCallerId;
    RingTicks = 0;
    AnswerTicks = 0;
    store(caller);
    broadcast(QStringLiteral(";RING;"));

    if (added) {
        Q_EMIT callAdded(*added);
        if (gMainForm)
            gMainForm->UpdateStatus();
    }
    if (firstRing && textToBool(option(Key::PopupScreen, QStringLiteral("True"))))
        Q_EMIT popupRequested();
    show(*caller);
    AddEvent(ringEvent(*caller));
    Q_EMIT popupUpdate(*caller);
    const QString immediate = option(Key::ImmediateSound, programFolder() + QStringLiteral("/Sounds/Button.wav"));
    const QString ring = option(Key::RingSound, QString());
    if (caller->Rings == 1 && !immediate.isEmpty())
        playSound(immediate, *caller);
    else if (!ring.isEmpty())
        playSound(ring, *caller);
    Q_EMIT popupRing();
    // Its number, once the call is ringing: a block needs a call to hang up.
    if (heard && caller == CurrentCaller)
        handleNumber(caller);
}

void CallHandler::UpdateNewCall()
{
    if (m_ended)
        return;
    handleNumber(CurrentCaller);
}

void CallHandler::handleNumber(std::shared_ptr<clsCaller> caller)
{
    // Held here, and every step below acts on it: the call may end, and CurrentCaller be the next caller's,
    // while a hang-up waits for the modem.
    const QString number = caller->Number.Number;
    std::optional<QString> sound;
    bool defaultSound = false;
    if (number != kNotReceived && !number.isEmpty() && !CallHandled) {
        // Marked before anything that may wait for the modem: a NAME line arriving during the hang-up must
        // not block or announce the call a second time.
        CallHandled = true;
        // A block waits for the modem's hang-up; the program may end meanwhile, this call road with it.
        const QPointer<CallHandler> self(this);
        CheckBlockStrings(number, caller);
        if (!self || m_ended)
            return;
        MatchCallerToContact(number, *caller);
        if (!isNoGroup(caller->AttributeGroup)) {
            const auto group = GetAttributeGroup(caller->AttributeGroup);
            if (group && !isNoGroup(group->Description)) {
                if (group->Block) {
                    blockCall(caller);
                    if (!self || m_ended)
                        return;
                }
                sound = group->Sound;
            }
        } else {
            defaultSound = true;
        }
    }
    // Stored, then told to the clients at once; the window, the pop-up and the announcement come after.
    publish(caller);
    if (defaultSound)
        sound = option(Key::DefaultSound, QString());
    if (sound)
        playSound(*sound, *caller);
}

QStringList CallHandler::CallInProgress() const
{
    if (m_ended || !gRinging || CurrentCaller->Rings == 0)
        return {};
    return {QStringLiteral(";NEW;"), QStringLiteral(";INCOMING CALLER;") + CurrentCaller->PrintSend()};
}

void CallHandler::RingTimer_Timer()
{
    if (m_ended)
        return;
    if (m_pending && !callRinging()) {
        if (++m_pendingTicks >= 8)
            pendingBecomesCall();
        return;
    }
    RingTicks += 1;
    gRinging = true;
    if (RingTicks >= 8) {
        endRinging();
        // Between calls: the log's disk work that was held back while the call rang, and what makes the next
        // call's writes cheap.
        SettleCallerDB();
    }
}

void CallHandler::AnswerTimer_Timer()
{
    if (m_ended)
        return;
    if (!WatchedCaller)
        WatchedCaller = std::make_shared<clsCaller>();
    auto stopTest = [this] {
        AnswerTicks = 0;
        WatchedCaller.reset();
        AnswerTimer.stop();
    };
    if (!textToBool(option(Key::DialToneTest, QStringLiteral("True"))) ||
        WatchedCaller->Answered.toUpper() == kBlocked) {
        stopTest();
        return;
    }
    // The probe must not interleave with another command sequence (a hang-up, the set-up); this second
    // does not count, so the probe follows as soon as the modem is free.
    if (m_port && m_port->isBusy())
        return;
    if (AnswerTicks < 32767)
        AnswerTicks += 1;
    if (gRinging)
        WatchedCaller = CurrentCaller;
    // A call blocked before its first tick must not be probed either.
    if (WatchedCaller->Answered.toUpper() == kBlocked) {
        stopTest();
        return;
    }
    if (AnswerTicks != qint32(textToNumber(option(Key::DialToneWait, QStringLiteral("20")), -1)))
        return;

    const std::shared_ptr<clsCaller> watched = WatchedCaller;
    if (m_port && m_port->PortOpen()) {
        // The probe waits for the modem while everything else goes on: the program may end meanwhile, and
        // this call road with its window.
        const QPointer<CallHandler> self(this);
        const int result = m_port->CheckDialTone();
        if (!self || m_ended)
            return;
        if (watched->Answered == kBlocked) {
            // Blocked while the line was being probed: that answer stands.
        } else if (result == 2) {
            watched->Answered = QStringLiteral("YES");
            AddEvent(QStringLiteral("The incoming call was answered"));
        } else if (result == 1) {
            watched->Answered = QStringLiteral("NO");
        } else {
            watched->Answered = QStringLiteral("N/A");
            AddEvent(QStringLiteral("Unable to check dial tone"));
        }
    } else {
        watched->Answered = QStringLiteral("N/A");
        AddEvent(QStringLiteral("Unable to check dial tone"));
    }
    publish(watched);

    WatchedCaller.reset();
    if (gRinging && CurrentCaller != watched) {
        // A new call began while the line was probed: its own test goes on.
        return;
    }
    AnswerTicks = 0;
    AnswerTimer.stop();
}

void CallHandler::End()
{
    if (m_ended)
        return;
    m_ended = true;
    RingTimer.stop();
    AnswerTimer.stop();
    const std::shared_ptr<clsCaller> ringing = CurrentCaller;
    const bool inCall = gRinging && ringing->Rings > 0;
    // Whatever the call had come to while a wait for the modem was cut short (a block, its number) is kept:
    // the steps that would have written it never run now.
    if (inCall)
        store(ringing);
    // A block whose ring never came is a call all the same.
    if (m_pending)
        pendingBecomesCall();
    if (m_unstored)
        logUnstored();
    if (inCall)
        gRinging = false;
    CallHandled = false;
    RingTicks = 0;
    AnswerTicks = 0;
    WatchedCaller.reset();
    CurrentCaller = std::make_shared<clsCaller>();
}

bool CallHandler::matchesBlockString(const QString& entry, const QString& number)
{
    const QString n = stripBlockText(number);
    const QString e = stripBlockText(entry);
    // A number that strips to nothing (blanks only) would be "contained" in every entry.
    if (n.isEmpty())
        return false;
    if (!e.contains(QLatin1Char('*'))) {
        if (e.isEmpty())
            return false;
        const QString nu = n.toUpper();
        const QString eu = e.toUpper();
        return nu.contains(eu) || eu.contains(nu);
    }
    // Seven characters stand for a local number: they are laid over the number's last seven.
    const QString target = e.size() == 7 ? n.right(7) : n;
    for (qsizetype i = 0; i < target.size(); ++i) {
        if (i >= e.size())
            return false;
        if (e.at(i) != target.at(i) && e.at(i) != QLatin1Char('*'))
            return false;
    }
    return true;
}

void CallHandler::CheckBlockStrings(QString Number, std::shared_ptr<clsCaller> caller)
{
    const QStringList entries = ListToArray(option(Key::BlockCallStrings, QString()));
    for (const QString& entry : entries) {
        if (matchesBlockString(entry, Number)) {
            blockCall(caller);
            return;
        }
    }
}

void CallHandler::blockCall(std::shared_ptr<clsCaller> caller)
{
    // Only the call ringing now is on the line: one that ended meanwhile is past picking up.
    if (m_ended || caller->Answered == kBlocked || caller != CurrentCaller || !gRinging)
        return;
    // Marked before the modem is touched: a line that arrives while the call is picked up and dropped finds
    // it blocked already, so it is hung up once.
    caller->Answered = kBlocked;
    if (m_port && m_port->PortOpen()) {
        // The hang-up waits for the modem; the program may end meanwhile, this call road with it.
        const QPointer<CallHandler> self(this);
        m_port->HangUp();
        if (!self || m_ended)
            return;
    }
    AddEvent(QStringLiteral("The incoming call was blocked"));
    publish(caller);
}

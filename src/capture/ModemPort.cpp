#include "capture/ModemPort.h"

#include <chrono>

#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QPointer>

#include "core/MainWindow.h"
#include "core/ProgramLinks.h"
#include "core/SettingsKeys.h"
#include "core/modError.h"
#include "core/modMain.h"
#include "core/modProperties.h"
#include "network/clsServer.h"
#include "platform/Prompt.h"

Q_LOGGING_CATEGORY(lcModem, "velquon.modem", QtWarningMsg)

namespace {

const QByteArray CR = "\r";

// The caller-ID switches of the modem families we know, tried in this order until one is not refused.
const char* const kCallerIdCommands[] = {"AT#CID=1", "AT+VCID=1", "AT%CCID=1", "AT#CC1",
                                         "AT*ID1",   "AT#CID=2",  "AT%CCID=2"};

// How often a wait looks at the port itself: readyRead is not raised again while the slot that raised it
// runs, and a wait may be running inside that very slot (a hang-up started by a number line).
constexpr int kPollMs = 2;

// The system's time as it was when first read, run on by the monotonic clock: a wait keeps its length when
// the system's time is set while it runs.
qint64 systemMs()
{
    using namespace std::chrono;
    static const system_clock::time_point wallAtStart = system_clock::now();
    static const steady_clock::time_point steadyAtStart = steady_clock::now();
    const auto sinceStart = duration_cast<milliseconds>(steady_clock::now() - steadyAtStart);
    return duration_cast<milliseconds>(wallAtStart.time_since_epoch()).count() + sinceStart.count();
}

QString setting(const char* key, const char* fallback)
{
    return GetProperty(Section::frmConfiguration, key, QString::fromLatin1(fallback));
}

void broadcast(const QString& text)
{
    if (gServer)
        gServer->SendData(text, -1, -1);
}

// Which device node a descriptor or a path (through its links) leads to; empty when none.
QByteArray nodeKey(const struct stat& info)
{
    return QByteArray::number(quint64(info.st_dev)) + ':' + QByteArray::number(quint64(info.st_ino)) + ':' +
           QByteArray::number(quint64(info.st_rdev));
}

QByteArray openedNode(int fd)
{
    struct stat info = {};
    return fd >= 0 && ::fstat(fd, &info) == 0 ? nodeKey(info) : QByteArray();
}

QByteArray nodeAt(const QString& path)
{
    struct stat info = {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? nodeKey(info) : QByteArray();
}

} // namespace

ModemPort::ModemPort(MainWindow* owner, QObject* parent) : QObject(parent), m_owner(owner), m_waitClock(systemMs)
{
    PortOpenTimer.setInterval(1);
    PortOpenTimer.setSingleShot(true);
    connect(&PortOpenTimer, &QTimer::timeout, this, &ModemPort::PortOpenTimer_Timer);
    connect(&m_serial, &QSerialPort::readyRead, this, &ModemPort::Comm_OnComm);
    connect(&m_serial, &QSerialPort::errorOccurred, this, &ModemPort::onError);
    ReturnTimer.setInterval(500);
    ReturnTimer.setSingleShot(true);
    connect(&ReturnTimer, &QTimer::timeout, this, &ModemPort::ReturnTimer_Timer);
    connect(&m_deviceWatch, &QFileSystemWatcher::directoryChanged, this, &ModemPort::deviceFolderChanged);
}

ModemPort::~ModemPort() { ClosePort(); }

void ModemPort::ClosePort()
{
    if (!m_serial.isOpen())
        return;
    // Written without waiting for an answer: nothing may wait here, and the system sends what was written
    // before it lets the device go.
    if (m_offHook)
        send(CR + "ATH0" + CR);
    m_offHook = false;
    m_serial.close();
}

void ModemPort::setWaitClock(WaitClock clock) { m_waitClock = clock ? std::move(clock) : WaitClock(systemMs); }

qint64 ModemPort::waitEnd(qint64 startMs)
{
    constexpr qint64 kSecond = 1000;
    // The remainder is taken towards minus infinity, so a clock before the epoch counts the same way.
    const qint64 intoSecond = ((startMs % kSecond) + kSecond) % kSecond;
    return startMs - intoSecond + 3 * kSecond;
}

bool ModemPort::PortOpen() const { return m_serial.isOpen(); }

QString ModemPort::releaseCaption() const
{
    return ModemConnected ? QStringLiteral("&Release Port") : QStringLiteral("&Open Port");
}

QString ModemPort::iconKey() const { return ModemConnected ? QStringLiteral("gicon") : QStringLiteral("ricon"); }

QString ModemPort::devicePath(const QString& commPort)
{
    const QString text = commPort.trimmed();
    bool isNumber = false;
    const int n = text.toInt(&isNumber);
    if (isNumber && n >= 1)
        return QStringLiteral("/dev/ttyS") + QString::number(n - 1);
    return text;
}

void ModemPort::PortOpenTimer_Timer()
{
    PortOpenTimer.stop();
    OpenPort(true);
}

void ModemPort::runSequence(std::function<void()> fn)
{
    if (m_busy) {
        m_deferred.append(std::move(fn));
        return;
    }
    // A sequence waits for the modem and may show a box: the port may be deleted meanwhile (the program
    // ends), and then neither this one nor the ones queued behind it go on.
    const QPointer<ModemPort> self(this);
    m_busy = true;
    fn();
    if (!self)
        return;
    m_busy = false;
    while (!m_deferred.isEmpty() && !m_busy) {
        auto next = m_deferred.takeFirst();
        m_busy = true;
        next();
        if (!self)
            return;
        m_busy = false;
    }
}

void ModemPort::OpenPort(bool open)
{
    // The user's own choice ends any wait for a lost device.
    if (!open)
        stopAwaiting();
    if (open)
        runSequence([this] {
            const QPointer<ModemPort> self(this);
            openPort();
            if (self)
                Q_EMIT openAttemptEnded();
        });
    else
        runSequence([this] { releasePort(); });
}

void ModemPort::setConnected(bool connected)
{
    ModemConnected = connected;
    if (connected)
        m_closedReport.clear();
    if (m_owner)
        m_owner->ModemConnected = connected;
    broadcast(connected ? QStringLiteral(";MODEMCONNECTION;TRUE;") : QStringLiteral(";MODEMCONNECTION;FALSE;"));
    Q_EMIT connectionChanged(connected);
}

void ModemPort::applySettings()
{
    const QStringList parts = setting(Key::CommSettings, "9600,N,8,1").split(QLatin1Char(','));
    bool ok = false;
    const int baud = parts.value(0).trimmed().toInt(&ok);
    if (ok && baud > 0)
        m_serial.setBaudRate(baud);
    const QString parity = parts.value(1).trimmed().toUpper();
    if (parity == QLatin1String("N"))
        m_serial.setParity(QSerialPort::NoParity);
    else if (parity == QLatin1String("E"))
        m_serial.setParity(QSerialPort::EvenParity);
    else if (parity == QLatin1String("O"))
        m_serial.setParity(QSerialPort::OddParity);
    else if (parity == QLatin1String("M"))
        m_serial.setParity(QSerialPort::MarkParity);
    else if (parity == QLatin1String("S"))
        m_serial.setParity(QSerialPort::SpaceParity);
    const int bits = parts.value(2).trimmed().toInt(&ok);
    if (ok && bits >= 5 && bits <= 8)
        m_serial.setDataBits(QSerialPort::DataBits(bits));
    const QString stop = parts.value(3).trimmed();
    if (stop == QLatin1String("1"))
        m_serial.setStopBits(QSerialPort::OneStop);
    else if (stop == QLatin1String("1.5"))
        m_serial.setStopBits(QSerialPort::OneAndHalfStop);
    else if (stop == QLatin1String("2"))
        m_serial.setStopBits(QSerialPort::TwoStop);
    // 3 is RTS together with XOn/XOff; the serial layer has one mode at a time, and RTS is the one that
    // keeps a fast modem from overrunning us.
    switch (textToWhole(setting(Key::Handshaking, "0"), 0)) {
    case 1:
        m_serial.setFlowControl(QSerialPort::SoftwareControl);
        break;
    case 2:
    case 3:
        m_serial.setFlowControl(QSerialPort::HardwareControl);
        break;
    default:
        m_serial.setFlowControl(QSerialPort::NoFlowControl);
        break;
    }
}

bool ModemPort::SettingsChanged() const
{
    if (!m_opened)
        return false;
    return devicePath(setting(Key::CommPort, "1")) != devicePath(m_openedPort) ||
           setting(Key::CommSettings, "9600,N,8,1").compare(m_openedSettings, Qt::CaseInsensitive) != 0 ||
           textToWhole(setting(Key::Handshaking, "0"), 0) != m_openedHandshaking;
}

bool ModemPort::ReopenIfSettingsChanged()
{
    if (!SettingsChanged())
        return false;
    // A plain close, as the settings of an open port cannot change: no reset is sent, the modem is set up
    // anew when the timer opens the port again. A command sequence waiting for the modem finishes first.
    stopAwaiting();
    runSequence([this] {
        if (m_serial.isOpen()) {
            ClosePort();
            m_serial.clearError();
            m_lines.clear();
            setConnected(false);
        }
    });
    PortOpenTimer.start();
    return true;
}

void ModemPort::openPort()
{
    const bool wasOpen = m_serial.isOpen();
    if (!wasOpen) {
        const QString commPort = setting(Key::CommPort, "1");
        m_opened = true;
        m_openedPort = commPort;
        m_openedSettings = setting(Key::CommSettings, "9600,N,8,1");
        m_openedHandshaking = textToWhole(setting(Key::Handshaking, "0"), 0);
        m_label = commPort.trimmed();
        m_serial.setPortName(devicePath(commPort));
        applySettings();
        m_lines.clear();
        m_longLineReported = false;
        if (!m_serial.open(QIODevice::ReadWrite))
            qCInfo(lcModem) << "cannot open" << m_serial.portName() << m_serial.errorString();
    }

    const QPointer<ModemPort> self(this);
    if (!m_serial.isOpen()) {
        m_serial.clearError();
        // Waited for as a lost device is (a modem unplugged before this opening: at start-up, after a mode switch,
        // or Release Port then Open Port): it opens once it is back, or once another device stands at its path.
        // The node that failed here is not tried again unless it goes away first. Begun before the box, so the
        // user's Release Port meanwhile ends it.
        const QString device = devicePath(m_openedPort);
        awaitReturn(device, nodeAt(device));
        setConnected(false);
        ShowError(QStringLiteral("Cannot open comm port ") + m_label + QStringLiteral(". It may be in use by \r\n") +
                  QStringLiteral("another application. Caller id information cannot \r\n") +
                  QStringLiteral("be received until the comm port is open."));
        if (!self)
            return;
        PortOpenFailed = true;
        releasePort();
        return;
    }

    stopAwaiting();
    m_openedNode = openedNode(m_serial.handle());
    if (!wasOpen) {
        Q_EMIT portOpened();
        if (!self)
            return;
    }
    setConnected(true);
    AddEvent(QStringLiteral("Comm port ") + m_label + QStringLiteral(" opened"));

    // A pseudo-terminal (and some USB adapters) have no modem control lines; that is no reason to give up.
    if (!m_serial.setDataTerminalReady(true)) {
        qCInfo(lcModem) << "DTR:" << m_serial.errorString();
        m_serial.clearError();
    }
    if (!m_serial.setRequestToSend(true)) {
        qCInfo(lcModem) << "RTS:" << m_serial.errorString();
        m_serial.clearError();
    }

    // Every wait and every box below lets the program end meanwhile, this port with its window.
    if (!sendAndWait(CR + "ATZ" + CR))
        return;
    if (ModemError || ModemTimeout) {
        ShowError(QStringLiteral("Comm port ") + m_label + QStringLiteral(" is not responding. Caller id \r\n") +
                  QStringLiteral("information cannot be received until the \r\n") +
                  QStringLiteral("comm port is open."));
        if (self)
            releasePort();
        return;
    }

    if (!sendAndWait("AT#CLS=8" + CR))
        return;

    const QString modemString = setting(Key::ModemString, "");
    bool tryBuiltIn = modemString.isEmpty();
    if (!modemString.isEmpty()) {
        if (!sendAndWait(modemString.toUtf8() + CR))
            return;
        // Silence counts as accepted: some modems switch caller ID on without a word.
        tryBuiltIn = ModemError;
    }
    if (tryBuiltIn) {
        for (const char* command : kCallerIdCommands) {
            if (!sendAndWait(QByteArray(command) + CR))
                return;
            if (!ModemError)
                break;
        }
        if (ModemError && m_serial.isOpen()) {
            ShowError(QStringLiteral("Caller id could not be enabled on comm port ") + m_label +
                      QStringLiteral(". The \r\n") +
                      QStringLiteral("caller id command string in modem configuration may \r\n") +
                      QStringLiteral("need to be reconfigured or this modem does not have \r\n") +
                      QStringLiteral("caller id capabilities. No caller id information can \r\n") +
                      QStringLiteral("be received until this problem is resolved."));
            if (!self)
                return;
        }
    }

    if (sendAndWait(CR + "ATM0" + CR))
        (void)sendAndWait(CR + "ATS6=2" + CR);
}

void ModemPort::releasePort()
{
    setConnected(false);
    m_closedReport = PortOpenFailed ? QStringLiteral("Cannot open comm port") : QStringLiteral("Comm port closed");
    PortOpenFailed = false;
    AddEvent(m_closedReport);
    if (m_serial.isOpen()) {
        if (!sendAndWait(CR + "ATZ" + CR))
            return;
        if (!m_serial.setDataTerminalReady(false))
            m_serial.clearError();
        if (!m_serial.setRequestToSend(false))
            m_serial.clearError();
        ClosePort();
    }
}

int ModemPort::CheckDialTone()
{
    if (m_busy || !m_serial.isOpen()) {
        SaveError(0, QStringLiteral("The modem is busy or the port is closed."), QStringLiteral("ModemPort"));
        ReportError(QStringLiteral("frmBaseMain_CheckDialTone"));
        return 0;
    }
    int result = 0;
    runSequence([this, &result] {
        if (!sendAndWait(CR + "ATDT;" + CR))
            return;
        // A port lost during the wait (read error, hang-up, device gone) ends it without a reply too, but that
        // silence says nothing about the line.
        if (!m_serial.isOpen())
            return;
        if (NoDialTone || ModemTimeout)
            result = 2;
        else if (ModemOK)
            result = 1;
        if (sendAndWait(CR + "ATH0" + CR) && !ModemOK)
            (void)sendAndWait(CR + "ATH0" + CR);
    });
    return result;
}

void ModemPort::HangUp()
{
    runSequence([this] {
        if (sendAndWait(CR + "ATH1" + CR) && sendAndWait(CR + "ATH0" + CR) && !ModemOK)
            (void)sendAndWait(CR + "ATH0" + CR);
    });
}

void ModemPort::send(const QByteArray& framed)
{
    if (!m_serial.isOpen())
        return;
    const QByteArray command = framed.trimmed().toUpper();
    if (command.startsWith("ATH1") || command.startsWith("ATD"))
        m_offHook = true;
    else if (command.startsWith("ATH0") || command.startsWith("ATZ"))
        m_offHook = false;
    m_serial.write(framed);
    m_serial.flush();
}

bool ModemPort::sendAndWait(const QByteArray& framed)
{
    send(framed);
    return WaitForModemResponse();
}

bool ModemPort::WaitForModemResponse()
{
    ModemOK = ModemError = ModemTimeout = NoDialTone = false;
    auto answered = [this] { return ModemOK || ModemError || NoDialTone; };

    // A copy: this port, and the clock it holds, may be deleted while the wait runs.
    const WaitClock clock = m_waitClock;
    const qint64 end = waitEnd(clock());
    auto expired = [&clock, end] { return clock() >= end; };

    // The lines read are handled at once (a call, a box it shows), and the loop below runs everything
    // else: this port may be deleted meanwhile.
    const QPointer<ModemPort> self(this);
    Comm_OnComm();
    if (!self)
        return false;
    if (!answered() && m_serial.isOpen() && !expired()) {
        // The wait is a long task: an end or a mode switch asked for meanwhile waits for it, and it stops as
        // it would if the port went, so the sequence stops there too.
        const LongTask task(QStringLiteral("Waiting for the modem"));
        // Wakes the wait to read the port and look at the clock; the port's own data wakes it too.
        QTimer poll;
        poll.setInterval(kPollMs);
        poll.start();
        for (;;) {
            LongTask::yield(QEventLoop::WaitForMoreEvents);
            if (!self || Program::ending())
                return false;
            Comm_OnComm();
            if (!self)
                return false;
            if (answered() || !m_serial.isOpen() || expired())
                break;
        }
    }
    if (!answered())
        ModemTimeout = true;
    return true;
}

void ModemPort::Comm_OnComm()
{
    if (!m_serial.isOpen())
        return;
    m_lines.append(m_serial.readAll());
    // One line at a time: a wait that runs inside the handling of a line (and reads on) keeps the order of
    // everything that arrived.
    while (const std::optional<QString> text = m_lines.next()) {
        if (m_lines.takeTooLong())
            reportLongLine();
        if (!noteResult(*text))
            Q_EMIT lineReceived(*text);
    }
    if (m_lines.takeTooLong())
        reportLongLine();
}

void ModemPort::reportLongLine()
{
    if (m_longLineReported)
        return;
    m_longLineReported = true;
    AddEvent(QStringLiteral("Comm port ") + m_label + QStringLiteral(" sent a line longer than ") +
             QString::number(MaxLineBytes) + QStringLiteral(" characters; it was dropped"));
}

bool ModemPort::noteResult(const QString& line)
{
    const QString upper = line.toUpper();
    if (upper == QLatin1String("OK"))
        ModemOK = true;
    else if (upper == QLatin1String("ERROR"))
        ModemError = true;
    else if (upper == QLatin1String("NO DIAL TONE"))
        NoDialTone = true;
    else
        return false;
    return true;
}

void ModemPort::onError(QSerialPort::SerialPortError error)
{
    if (error != QSerialPort::ReadError && error != QSerialPort::ResourceError)
        return;
    if (!m_serial.isOpen())
        return;
    // A vanished device reports this over and over; one report and a closed port is the useful answer.
    qCInfo(lcModem) << "port lost:" << m_serial.errorString();
    // Nothing reaches a device that is gone.
    m_offHook = false;
    m_serial.close();
    m_serial.clearError();
    m_lines.clear();
    const QString text =
        QStringLiteral("Comm port ") + m_label + QStringLiteral(" stopped responding and was closed. Caller id \r\n") +
        QStringLiteral("information cannot be received until the \r\n") + QStringLiteral("comm port is open.");
    QString oneLine = text;
    oneLine.remove(QStringLiteral("\r\n"));
    AddEvent(oneLine);
    Prompt::notice(text, Prompt::Exclamation);
    awaitReturn(devicePath(m_openedPort), m_openedNode);
    if (!m_busy)
        releasePort();
    else
        // The waiting sequence ends at once now that the port is shut; the release follows it.
        m_deferred.append([this] {
            if (ModemConnected)
                releasePort();
        });
}

// ---------------------------------------------------------------------------------------------------------
// A lost device coming back

namespace {

// The folder to watch for path: its own folder, or the nearest one above that exists (a persistent-name
// folder goes away with the last device in it).
QString nearestFolder(const QString& path)
{
    QFileInfo info(path);
    QDir dir = info.absoluteDir();
    while (!dir.exists() && !dir.isRoot())
        dir.setPath(QFileInfo(dir.absolutePath()).absolutePath());
    return dir.absolutePath();
}

} // namespace

void ModemPort::awaitReturn(const QString& device, const QByteArray& node)
{
    stopAwaiting();
    if (device.isEmpty())
        return;
    m_awaited = device;
    // Only a device that is gone and comes back, or another one in its place, is opened again: the one
    // still there failed for its own reasons.
    m_awaitedGone = !QFileInfo::exists(device);
    m_lostNode = node;
    m_deviceWatch.addPath(nearestFolder(device));
    if (!m_awaitedGone && nodeAt(device) != m_lostNode)
        ReturnTimer.start();
}

void ModemPort::stopAwaiting()
{
    ReturnTimer.stop();
    m_awaited.clear();
    m_awaitedGone = false;
    const QStringList watched = m_deviceWatch.directories();
    if (!watched.isEmpty())
        m_deviceWatch.removePaths(watched);
}

void ModemPort::deviceFolderChanged()
{
    if (m_awaited.isEmpty())
        return;
    // The folder of the device may have come (or gone) itself: watch the nearest one again.
    const QString folder = nearestFolder(m_awaited);
    if (!m_deviceWatch.directories().contains(folder)) {
        m_deviceWatch.removePaths(m_deviceWatch.directories());
        m_deviceWatch.addPath(folder);
    }
    if (!QFileInfo::exists(m_awaited)) {
        m_awaitedGone = true;
        ReturnTimer.stop();
        return;
    }
    if ((m_awaitedGone || nodeAt(m_awaited) != m_lostNode) && !ReturnTimer.isActive())
        ReturnTimer.start();
}

void ModemPort::ReturnTimer_Timer()
{
    ReturnTimer.stop();
    if (m_awaited.isEmpty() || !QFileInfo::exists(m_awaited) || m_serial.isOpen())
        return;
    // Said once; the opening then says the rest (opened, or why not). A failed opening waits for the device
    // to go and come back again.
    AddEvent(QStringLiteral("Comm port ") + m_label + QStringLiteral(" is back"));
    m_awaitedGone = false;
    m_lostNode = nodeAt(m_awaited);
    OpenPort(true);
}

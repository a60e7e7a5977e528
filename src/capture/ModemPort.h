#pragma once

#include <QByteArray>
#include <QFileSystemWatcher>
#include <QList>
#include <QObject>
#include <QSerialPort>
#include <QString>
#include <QTimer>

#include "capture/ModemLines.h"

#include <functional>

class MainWindow;

// The modem's serial port on the standalone/server main window: opens and releases it, resets the modem
// and switches its caller-ID reporting on, cuts the received bytes into lines (handed out by lineReceived),
// waits for result codes, probes for a dial tone and picks a call up and drops it.
//
// Command sequences (the set-up, the release, the dial-tone probe, the hang-up) never overlap: one that is
// asked for while another waits for the modem runs as soon as that one has finished, so no wait ever takes
// the reply meant for another command.
class ModemPort : public QObject {
    Q_OBJECT
public:
    // owner receives ModemConnected; it may be nullptr.
    explicit ModemPort(MainWindow* owner = nullptr, QObject* parent = nullptr);
    ~ModemPort() override;

    // Result codes seen since the current wait began; only WaitForModemResponse clears them.
    bool ModemOK = false;
    bool ModemError = false;
    bool NoDialTone = false;
    bool ModemTimeout = false;
    // The port is open and the modem set up; reported to network clients.
    bool ModemConnected = false;
    // The last open attempt failed, so the release that follows says so.
    bool PortOpenFailed = false;
    // Bytes received since the last line end; never more than MaxLineBytes. A longer line is no modem's:
    // it is dropped whole, and said once per opening of the port.
    const QByteArray& ReceiveBuffer() const { return m_lines.partial(); }
    static constexpr qsizetype MaxLineBytes = ModemLineAssembler::MaxLineBytes;

    // One-shot: start-up and the options dialog start it so the port opens right after they return.
    QTimer PortOpenTimer;
    void PortOpenTimer_Timer();

    // A port lost with its device (a USB adapter pulled out) is opened again once the device is back. The
    // folder that holds (or held) the device is watched by the system, which costs nothing while idle; the
    // device's return is given a moment (ReturnTimer) for the system to finish setting it up. A path that
    // already leads to another device when the loss is handled (a link re-pointed in one step, a device back
    // before the loss was noticed) is opened after the same moment. Watching ends when the port opens, or
    // when the user releases the port or chooses another one.
    // An opening that fails waits the same way: the device that failed is tried again only once it has gone
    // and come back, or another one stands at its path.
    QTimer ReturnTimer;
    void ReturnTimer_Timer();
    // The device the port lost and waits for, or empty.
    QString awaitedDevice() const { return m_awaited; }

    // True opens (or, when open, sets the modem up anew); False releases.
    void OpenPort(bool open);
    // The stored CommPort, CommSettings or Handshaking differ from what the last opening of the port used
    // (the settings text compared without regard to case). False before the port was ever opened: its
    // first opening reads the stored values anyway.
    bool SettingsChanged() const;
    // After the options changed: when SettingsChanged, closes the port if it is open and starts
    // PortOpenTimer, whose tick opens it with the stored settings. Returns whether it did.
    bool ReopenIfSettingsChanged();
    // Reads whatever has arrived and hands out every whole line.
    void Comm_OnComm();
    // Waits for the reply to the command just written: OK, ERROR or NO DIAL TONE, else ModemTimeout at the
    // third change of the wait clock's seconds (2 to 3 seconds, waitEnd). Lines keep being processed meanwhile, and so
    // is everything else: false when this port was deleted while it waited (its window went as the program ended), and
    // then nothing of it may be touched any more.
    [[nodiscard]] bool WaitForModemResponse();
    // Where the waits read the time: milliseconds since the epoch, from the system's real clock unless
    // another is set (an empty function returns to the real one). The program's own clock is not it: a test
    // may hold that one still, and a modem does not wait for it.
    using WaitClock = std::function<qint64()>;
    void setWaitClock(WaitClock clock);
    // When a wait begun at startMs (on the wait clock) gives up: at the third change of the seconds.
    static qint64 waitEnd(qint64 startMs);
    // 2: NO DIAL TONE or no reply (the line is in use), 1: OK (dial tone), 0: anything else, a port that was
    // lost during the probe included.
    int CheckDialTone();
    // Picks the line up and puts it down again.
    void HangUp();

    bool PortOpen() const;
    // Closes the serial port, every closing's one way: a line the program took off hook (a hang-up or a probe
    // whose wait an end or a switch cut short) is put back on hook first, so the caller is not left on it.
    void ClosePort();
    // A command sequence is waiting for the modem.
    bool isBusy() const { return m_busy; }
    // The port as the messages name it: the number of the setting, or the device path used.
    QString portLabel() const { return m_label; }
    // Texts and picture key the window shows for the port state.
    QString releaseCaption() const;
    QString iconKey() const;
    // The event line that said the port was closed or could not be opened, while it stays so; empty once open.
    QString closedReport() const { return m_closedReport; }

    // Marks a result-code line; true when the line is one (the caller then does nothing more with it).
    bool noteResult(const QString& line);

    // "N" is the N-th serial port (/dev/ttyS(N-1)); anything else is a device path used as it is.
    static QString devicePath(const QString& commPort);
    static QString decodeLine(const QByteArray& bytes) { return ModemLineAssembler::decode(bytes); }

    QSerialPort& serial() { return m_serial; }

Q_SIGNALS:
    // Every received line that is not a result code, without its line end.
    void lineReceived(const QString& line);
    // The port was opened and set up, or released; captions and icons follow releaseCaption()/iconKey().
    void connectionChanged(bool connected);
    // The serial port has just been opened, before anything is read from it.
    void portOpened();
    // An opening of the port (and the modem's set-up) has ended, whether or not the port is open now.
    void openAttemptEnded();

private:
    void openPort();
    void releasePort();
    void setConnected(bool connected);
    void send(const QByteArray& framed);
    // False when the port went while it waited (see WaitForModemResponse).
    [[nodiscard]] bool sendAndWait(const QByteArray& framed);
    void applySettings();
    void onError(QSerialPort::SerialPortError error);
    void reportLongLine();
    // node: the device node that was lost or failed to open there (empty: none), which is not tried again.
    void awaitReturn(const QString& device, const QByteArray& node);
    void stopAwaiting();
    void deviceFolderChanged();
    // Runs fn now, or after the sequence in progress when one is waiting.
    void runSequence(std::function<void()> fn);

    MainWindow* m_owner;
    WaitClock m_waitClock;
    QSerialPort m_serial;
    QString m_label;
    // What the last opening read from the settings; compared by SettingsChanged.
    bool m_opened = false;
    QString m_openedPort;
    QString m_openedSettings;
    int m_openedHandshaking = 0;
    ModemLineAssembler m_lines;
    bool m_busy = false;
    // The program took the line off hook (ATH1, a dial) and has not put it back (ATH0, ATZ) yet.
    bool m_offHook = false;
    bool m_longLineReported = false;
    QList<std::function<void()>> m_deferred;
    QFileSystemWatcher m_deviceWatch;
    QString m_awaited;
    bool m_awaitedGone = false;
    // The device node the port opened, and the one whose loss (or failed opening) the wait began with.
    QByteArray m_openedNode;
    QByteArray m_lostNode;
    QString m_closedReport;
};

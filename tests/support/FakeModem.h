#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QQueue>
#include <QString>
#include <QStringList>

#include <functional>

class QSocketNotifier;

// A modem on a pseudo-terminal, for tests and for trying the program without hardware. The program
// opens slavePath() as its serial port; the fake reads what it writes, splits it into commands at CR,
// answers each from a script and records everything it received. Caller-ID lines are injected on demand.
//
// Replies are written the way modems write them: CR LF, the text, CR LF. An empty reply text is silence.
class FakeModem : public QObject {
    Q_OBJECT
public:
    struct Reply {
        QString text = QStringLiteral("OK");
        int delayMs = 0;
    };

    explicit FakeModem(QObject* parent = nullptr);
    ~FakeModem() override;

    bool isOpen() const { return m_master >= 0; }
    QString slavePath() const { return m_slavePath; }

    // The standing answer to one command (compared without regard to case), used every time it comes.
    void setReply(const QString& command, const QString& text, int delayMs = 0);
    // Answers the command's next arrivals, one queued reply each, before the standing one applies again.
    void queueReply(const QString& command, const QString& text, int delayMs = 0);
    // The answer to any command without a reply of its own ("OK" at first).
    void setDefaultReply(const QString& text, int delayMs = 0);
    // Called with each command as it arrives, before it is answered (a test may inject lines here).
    void setCommandHook(std::function<void(const QString&)> hook) { m_hook = std::move(hook); }

    // Writes raw bytes / one line (CR LF, line, CR LF) towards the program at once; when the line is full it
    // runs the event loop until the program has read enough. While the program has its port closed nothing
    // arrives: a real port that is closed receives nothing (unless the fake delivers while closed). Returns what
    // did not reach the line (empty when everything did), and says it in the test log, so a line injected into
    // a closed port by mistake shows.
    QByteArray inject(const QByteArray& bytes);
    QByteArray injectLine(const QString& line);
    // Off at first. On, what is injected while the program has its port closed, and what it left unread when
    // it closed the port, waits on the line and reaches the program when it opens the port, as with a USB modem
    // that keeps what it received; only what does not fit on the line then is dropped.
    void setDeliversWhileClosed(bool on) { m_deliversWhileClosed = on; }
    bool deliversWhileClosed() const { return m_deliversWhileClosed; }
    // Bytes written towards the program that it has not read from the line yet.
    int unreadBytes() const;
    // A whole incoming call the way a caller-ID modem reports it between the first two rings.
    static QStringList callLines(const QString& number, const QString& name, const QString& date = "1225",
                                 const QString& time = "0930");

    // Everything received, as raw bytes, and the commands it was split into (without CR, in order).
    QByteArray received() const { return m_received; }
    QStringList commands() const { return m_commands; }
    int count(const QString& command) const;
    void clearReceived();

    // Whether another program holds the line open now (the program's port is open): at every opening and
    // closing of the line's device the system reports, the fake looks at who holds it, so someone else opening
    // and closing the line meanwhile (stty, say) changes nothing about the program's port, and an opening
    // already closed again when the fake looks is not seen at all. What the program left unread when it closed
    // its port is gone, as it is on a real serial port, which keeps nothing for a port that is closed. Where the
    // system cannot watch the line, it counts as held.
    bool lineHeld() const { return m_watch < 0 || m_held; }

    // Closes the master side: the program's port sees the device vanish.
    void unplug();
    // What unplugging a USB-serial adapter does: the kernel hangs the terminal up under every program that
    // has it open (reads then end at once, writes fail) and the device node goes away. The node is
    // represented by a link to the pseudo-terminal (devicePath()), as the system's persistent names are.
    // False when this process may not hang a terminal up (it needs root's terminal rights).
    bool unplugLikeUsb();
    // The adapter plugged in again: a new terminal behind the same devicePath(), answering as before.
    bool plugBackLikeUsb();
    QString devicePath() const { return m_linkPath; }

Q_SIGNALS:
    void commandReceived(const QString& command);
    // The program opened its port on the line / closed it.
    void lineOpened();
    void lineClosed();

private:
    bool openLine();
    void watchLine();
    void readWatch();
    bool othersHoldLine() const;
    void readMaster();
    void answer(const QString& command);

    int m_master = -1;
    int m_slave = -1;
    QString m_slavePath;
    QString m_linkPath;
    QSocketNotifier* m_notifier = nullptr;
    int m_watch = -1;
    QSocketNotifier* m_watchNotifier = nullptr;
    bool m_held = false;
    bool m_deliversWhileClosed = false;
    QByteArray m_received;
    QByteArray m_partial;
    QStringList m_commands;
    QHash<QString, Reply> m_standing;
    QHash<QString, QQueue<Reply>> m_queued;
    Reply m_default;
    std::function<void(const QString&)> m_hook;
};

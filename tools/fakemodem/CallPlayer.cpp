#include "CallPlayer.h"

#include <QDateTime>
#include <QRegularExpression>

#include "platform/Clock.h"
#include "support/FakeModem.h"

CallPlayer::CallPlayer(FakeModem* modem, int rings, int ringGapMs, int quietMs, QObject* parent)
    : QObject(parent), m_modem(modem), m_rings(qMax(1, rings)), m_ringGapMs(qMax(1, ringGapMs)),
      m_quietMs(qMax(0, quietMs))
{
    m_ringTimer.setInterval(m_ringGapMs);
    m_callerIdTimer.setSingleShot(true);
    m_quietTimer.setSingleShot(true);
    connect(&m_ringTimer, &QTimer::timeout, this, &CallPlayer::ring);
    connect(&m_callerIdTimer, &QTimer::timeout, this, [this] {
        const QDateTime now = Clock::now();
        for (const QString& line :
             FakeModem::callLines(m_current.number, m_current.name, now.toString(QStringLiteral("MMdd")),
                                  now.toString(QStringLiteral("HHmm"))))
            m_modem->injectLine(line);
    });
    connect(&m_quietTimer, &QTimer::timeout, this, &CallPlayer::callOver);
    connect(m_modem, &FakeModem::commandReceived, this, &CallPlayer::onCommand);
    connect(m_modem, &FakeModem::lineClosed, this, [this] {
        if (!m_portOpened)
            return;
        m_portOpened = false;
        if (m_modem->deliversWhileClosed())
            Q_EMIT message(QStringLiteral("Velquon closed the port: callers ring on, and what rings reaches Velquon "
                                          "when it opens the port."));
        else
            Q_EMIT message(m_playing ? QStringLiteral("Velquon closed the port: the call on the line reaches nobody, "
                                                      "and the next waits for the port.")
                                     : QStringLiteral("Velquon closed the port: callers wait for it."));
    });
}

std::optional<CallPlayer::Caller> CallPlayer::parseCaller(const QString& line, const Caller& fallback)
{
    const QString text = line.trimmed();
    if (text.isEmpty())
        return fallback;
    static const QRegularExpression words(QStringLiteral("^(\\S+)\\s*(.*)$"));
    const QRegularExpressionMatch m = words.match(text);
    static const QRegularExpression digit(QStringLiteral("\\d"));
    if (!m.hasMatch() || !m.captured(1).contains(digit))
        return std::nullopt;
    return Caller{m.captured(1), m.captured(2).trimmed()};
}

void CallPlayer::enqueue(const Caller& caller)
{
    m_queue.enqueue(caller);
    if (!m_portOpened && !m_modem->deliversWhileClosed())
        Q_EMIT message(QStringLiteral("Queued %1  %2: it rings once Velquon has opened the port.")
                           .arg(caller.name, caller.number));
    else if (m_playing)
        Q_EMIT message(
            QStringLiteral("Queued %1  %2: it rings after the call now on the line.").arg(caller.name, caller.number));
    else
        // From the event loop: whatever the program is sent now reaches it before the first ring.
        QTimer::singleShot(0, this, &CallPlayer::playNext);
}

void CallPlayer::onCommand(const QString& command)
{
    if (!m_portOpened) {
        m_portOpened = true;
        Q_EMIT message(QStringLiteral("Velquon opened the port."));
        if (!m_queue.isEmpty())
            QTimer::singleShot(0, this, &CallPlayer::playNext);
    }
    const QString c = command.trimmed().toUpper();
    // Going off-hook (picking up, or picking up to hang up on a blocked caller) answers the ringing line.
    if (m_ringing && (c == QLatin1String("ATH1") || c == QLatin1String("ATA"))) {
        m_ringTimer.stop();
        // A line picked up before the caller-ID burst never sends it.
        m_callerIdTimer.stop();
        Q_EMIT message(QStringLiteral("Velquon picked the line up: the ringing stops."));
        ringingOver();
    }
}

void CallPlayer::playNext()
{
    if (m_playing || m_queue.isEmpty() || (!m_portOpened && !m_modem->deliversWhileClosed()))
        return;
    m_current = m_queue.dequeue();
    m_playing = true;
    m_ringing = true;
    m_ringsLeft = m_rings;
    Q_EMIT message(QStringLiteral("Calling: %1  %2").arg(m_current.name, m_current.number));
    ring();
    // The caller-ID burst comes between the first and second ring, as on a real line.
    m_callerIdTimer.start(m_ringGapMs / 3);
    if (m_ringing)
        m_ringTimer.start();
}

void CallPlayer::ring()
{
    m_modem->injectLine(QStringLiteral("RING"));
    if (--m_ringsLeft > 0)
        return;
    m_ringTimer.stop();
    ringingOver();
}

void CallPlayer::ringingOver()
{
    m_ringing = false;
    m_quietTimer.start(m_quietMs);
}

void CallPlayer::callOver()
{
    m_playing = false;
    Q_EMIT message(QStringLiteral("The call is over."));
    if (!m_queue.isEmpty())
        playNext();
    else
        Q_EMIT becameIdle();
}

#pragma once

#include <QObject>
#include <QQueue>
#include <QString>
#include <QTimer>

#include <optional>

class FakeModem;

// Plays callers on the fake modem one at a time, in the order they were asked for. A call rings, sends its
// caller-ID lines between the first two rings, and counts as over only once the line has been quiet long
// enough for the program to take it as ended; the next caller waits for that. No call begins while the
// program has its port closed (from its closing until its first command after it opens the port again), so
// callers asked for meanwhile are not lost. A call already on the line goes on as a phone line does, whatever
// the program does: a command is answered and the line rings on, and what rings while the port is closed
// reaches nobody. A program that picks the line up (to hang up on a blocked caller) ends the ringing at once.
// On a modem that delivers while the port is closed, callers ring whatever the port's state instead, and what
// rang meanwhile reaches the program when it opens the port.
class CallPlayer : public QObject {
    Q_OBJECT
public:
    struct Caller {
        QString number;
        QString name;
    };

    // rings: rings per call; ringGapMs: time between rings; quietMs: the silence after the last ring
    // before the next call may start.
    CallPlayer(FakeModem* modem, int rings, int ringGapMs, int quietMs, QObject* parent = nullptr);

    // "NUMBER NAME" (the name may hold spaces, or be left out); a blank line is the fallback caller.
    // Nothing for a line whose first word holds no digit.
    static std::optional<Caller> parseCaller(const QString& line, const Caller& fallback);

    void enqueue(const Caller& caller);
    bool portOpened() const { return m_portOpened; }
    // Neither ringing nor waiting to: the player may be ended without losing a caller.
    bool idle() const { return !m_playing && m_queue.isEmpty(); }

Q_SIGNALS:
    // A line for the person at the terminal.
    void message(const QString& text);
    // Emitted whenever the last queued call is over.
    void becameIdle();

private:
    void onCommand(const QString& command);
    void playNext();
    void ring();
    void ringingOver();
    void callOver();

    FakeModem* m_modem;
    int m_rings;
    int m_ringGapMs;
    int m_quietMs;
    QQueue<Caller> m_queue;
    Caller m_current;
    bool m_portOpened = false;
    bool m_playing = false;
    bool m_ringing = false;
    int m_ringsLeft = 0;
    QTimer m_ringTimer;
    QTimer m_callerIdTimer;
    QTimer m_quietTimer;
};

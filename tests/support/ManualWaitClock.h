#pragma once

#include <QtGlobal>

#include <functional>

#include "capture/ModemPort.h"

// A clock for the modem port's waits (ModemPort::setWaitClock) that moves only when a test moves it: a wait
// for a modem that answers can never run out, however slow the machine, and one for a silent modem takes
// no real time at all.
class ManualWaitClock {
public:
    explicit ManualWaitClock(qint64 startMs) : m_now(startMs) {}
    ManualWaitClock(const ManualWaitClock&) = delete;
    ManualWaitClock& operator=(const ManualWaitClock&) = delete;

    // What the port reads; it must not outlive this clock.
    ModemPort::WaitClock reader()
    {
        return [this] { return read(); };
    }
    qint64 now() const { return m_now; }
    // How many times a wait has looked at the time.
    int reads() const { return m_reads; }

    // For a command the fake modem keeps silent about, from its command hook (the port waits for it then,
    // and the clock stands where that wait began): lets the wait run out. The time is put a millisecond
    // before the wait's end; once the wait has looked at that and gone on, at the end itself.
    void runOutWait()
    {
        const qint64 end = ModemPort::waitEnd(m_now);
        m_now = end - 1;
        m_atRead = [this, end] {
            m_atRead = [this, end] {
                ++m_waitsRunOut;
                m_now = end;
            };
        };
    }
    // Waits that were still waiting in their last millisecond and then ran out.
    int waitsRunOut() const { return m_waitsRunOut; }

private:
    qint64 read()
    {
        ++m_reads;
        if (m_atRead) {
            const std::function<void()> step = std::move(m_atRead);
            m_atRead = nullptr;
            step();
        }
        return m_now;
    }

    qint64 m_now;
    int m_reads = 0;
    int m_waitsRunOut = 0;
    std::function<void()> m_atRead;
};

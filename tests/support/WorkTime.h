#pragma once

#include <QtGlobal>

#include <ctime>

// Checks that some work stays quick (no quadratic fill, no exponential matching) allow this many times their
// limit in the sanitizer build, whose instrumented code runs several times slower. Waits are not scaled.
#ifdef VELQUON_SANITIZED
constexpr int kWorkTimeScale = 4;
#else
constexpr int kWorkTimeScale = 1;
#endif

// What such a check measures: the processor time its own thread spent from construction on. Time the thread
// waited for a core held by other work is not counted, so a machine busy with other programs (or the other
// tests) passes the check as an idle one does.
class WorkTimer {
public:
    WorkTimer() : m_start(now()) {}
    qint64 elapsedMs() const { return (now() - m_start) / 1'000'000; }

private:
    static qint64 now()
    {
        timespec ts{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
        return qint64(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
    }
    qint64 m_start;
};

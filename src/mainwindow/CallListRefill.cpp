#include "mainwindow/CallListRefill.h"

#include <algorithm>
#include <memory>

#include <QPointer>

#include "core/Processing.h"

namespace {

constexpr size_t MaxProgressSteps = 100;

} // namespace

CallListRefill::CallListRefill(QObject* parent) : QObject(parent) {}

void CallListRefill::RefreshGrid()
{
    if (m_refilling) {
        m_refillAgain = true;
        return;
    }
    m_refilling = true;
    do {
        m_refillAgain = false;
        m_stopped = false;
        if (!refill())
            return;
        // A pass the user stopped (or the program's end) is not started again for a change that came meanwhile.
    } while (m_refillAgain && !m_stopped);
    m_refilling = false;
}

bool CallListRefill::refill()
{
    // A view that cannot be read is said in a box, and the progress window yields: the program may end
    // meanwhile, this refill with its window.
    const QPointer<CallListRefill> self(this);
    beforePass();
    if (!self)
        return false;
    Q_EMIT refillStarted();
    // The rows read now are the refill: a call that arrives while it yields adds its own row, once.
    CallRowBatch batch;
    readRows(batch);
    if (!self)
        return false;
    const size_t n = batch.rows.size();
    // The progress window yields to the event loop and repaints at every step. Up to MaxProgressSteps
    // records each is a step; a larger view advances it every few records, so a refill of 100,000 calls
    // spends its time on the calls rather than on repaints of the window.
    const size_t perStep = std::max<size_t>(1, (n + MaxProgressSteps - 1) / MaxProgressSteps);
    std::unique_ptr<Processing> progress;
    if (n > size_t(ProgressThreshold))
        progress = std::make_unique<Processing>(qint32((n + perStep - 1) / perStep),
                                                QStringLiteral("Processing Grid Data..."), parent());
    for (size_t i = 0; i < n;) {
        if (progress && progress->StopProcessing()) {
            m_stopped = true;
            break;
        }
        if (m_refillAgain)
            break;
        if (progress) {
            progress->Increment();
            if (!self)
                return false;
        }
        const size_t end = std::min(n, i + perStep);
        Q_EMIT rowsRead(batch, i, end);
        i = end;
    }
    if (progress)
        progress->Unload();
    Q_EMIT refillFinished();
    return true;
}

#include "core/ProgramLinks.h"

#include <QCoreApplication>
#include <QString>
#include <QTimer>

#include "core/modMain.h"

namespace {

int g_longTasks = 0;
bool g_ending = false;
// The end or the mode switch that waits for the long tasks; g_switching tells which.
std::function<void()> g_pendingEnd;
bool g_switching = false;

void runPendingEnd()
{
    if (!g_pendingEnd || g_longTasks > 0)
        return;
    const std::function<void()> end = std::move(g_pendingEnd);
    g_pendingEnd = nullptr;
    // Every task has stopped; what the end itself starts is not stopped by this request.
    g_ending = false;
    g_switching = false;
    end();
}

void request(std::function<void()> step, bool modeSwitch)
{
    if (g_longTasks == 0) {
        step();
        return;
    }
    g_ending = true;
    g_switching = modeSwitch;
    g_pendingEnd = std::move(step);
}

} // namespace

LongTask::LongTask() { ++g_longTasks; }

LongTask::~LongTask()
{
    if (--g_longTasks == 0 && g_pendingEnd) {
        // From the event loop, once the handler that ran the task has returned too.
        QTimer::singleShot(0, QCoreApplication::instance(), runPendingEnd);
    }
}

ProgramLinks& programLinks()
{
    static ProgramLinks links;
    return links;
}

namespace Program {

bool dialogOpen()
{
    const ProgramLinks& links = programLinks();
    return links.isDialogOpen && links.isDialogOpen();
}

void shutDown()
{
    if (programLinks().shutDown)
        programLinks().shutDown();
}

void end()
{
    if (programLinks().endProgram)
        programLinks().endProgram();
}

void runStartUpAgain()
{
    if (programLinks().runStartUpAgain)
        programLinks().runStartUpAgain();
}

void showWaiting(const QString& kind, QObject* owner)
{
    if (programLinks().showWaiting)
        programLinks().showWaiting(kind, owner);
}

void unloadWaitingForms(const QString& kind)
{
    if (programLinks().unloadWaitingForms)
        programLinks().unloadWaitingForms(kind);
}

bool ending() { return g_ending; }

void requestEnd(std::function<void()> end)
{
    if (g_pendingEnd && !g_switching)
        return;
    request(std::move(end), false);
}

void requestModeSwitch(std::function<void()> doSwitch)
{
    if (g_pendingEnd && !g_switching)
        return;
    request(std::move(doSwitch), true);
}

void sayUnfinished(const QString& what)
{
    AddLastingEvent((g_switching ? QStringLiteral("Stopped for the change of network mode: ")
                                 : QStringLiteral("Stopped as the program ended: ")) +
                    what);
}

} // namespace Program

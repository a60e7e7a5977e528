#include "core/ProgramLinks.h"

#include <QCoreApplication>
#include <QTimer>

namespace {

int g_longTasks = 0;
bool g_ending = false;
std::function<void()> g_pendingEnd;

void runPendingEnd()
{
    if (!g_pendingEnd || g_longTasks > 0)
        return;
    const std::function<void()> end = std::move(g_pendingEnd);
    g_pendingEnd = nullptr;
    // Every task has stopped; what the end itself starts is not stopped by this request.
    g_ending = false;
    end();
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
    if (g_pendingEnd)
        return;
    if (g_longTasks == 0) {
        end();
        return;
    }
    g_ending = true;
    g_pendingEnd = std::move(end);
}

} // namespace Program

#include "core/ProgramLinks.h"

#include <QCoreApplication>
#include <QSet>
#include <QString>
#include <QTimer>

#include <optional>

#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/modError.h"
#include "core/modMain.h"
#include "platform/DiagnosticLog.h"
#include "platform/Prompt.h"

namespace {

int g_longTasks = 0;
// What the held tasks are, in the order they began.
QStringList g_taskNames;
bool g_ending = false;
// The end or the mode switch that waits for the long tasks; g_switching tells which.
std::function<void()> g_pendingEnd;
bool g_switching = false;
// The end goes on under tasks that have not stopped (Program::endNow): nothing waits for them meanwhile.
bool g_endingNow = false;

void runPendingEnd()
{
    if (!g_pendingEnd || g_longTasks > 0)
        return;
    const std::function<void()> end = std::move(g_pendingEnd);
    g_pendingEnd = nullptr;
    // Every task has stopped; what the end itself starts is not stopped by this request, and what the end asks
    // on the user's own road (the contact book's unsaved edits on File > Exit) is asked.
    g_ending = false;
    g_switching = false;
    Prompt::setClosed(false);
    end();
}

void request(std::function<void()> step, bool modeSwitch)
{
    // Nobody may be there to answer: a box left open would hold the end, and the task it opened under, for as
    // long as nobody answers it. Its command then does nothing, as when its window goes.
    if (!modeSwitch)
        Prompt::closeOpen();
    if (!LongTask::running()) {
        step();
        return;
    }
    // A command chosen while the end waits for the tasks asks nothing either.
    if (!modeSwitch)
        Prompt::setClosed(true);
    const bool first = !g_ending;
    g_ending = true;
    g_switching = modeSwitch;
    g_pendingEnd = std::move(step);
    // What the tasks leave undone goes with the windows and connections the end or the switch takes away; the
    // activity log still says which were stopped (a deletion adds how many calls it left).
    if (const QStringList stopped = LongTask::runningTasks(); first && !stopped.isEmpty())
        Program::sayUnfinished(stopped.join(QStringLiteral("; ")));
}

void reportStrayYield(const char* file, int line)
{
    static QSet<QString> said;
    const QString where = QString::fromUtf8(file) + QLatin1Char(':') + QString::number(line);
    if (said.contains(where))
        return;
    said.insert(where);
    DiagnosticLog::write(QStringLiteral("LongTask_yield: the event loop ran without a long task at ") + where);
}

LongTask::StrayYield& strayYield()
{
    static LongTask::StrayYield handler = reportStrayYield;
    return handler;
}

} // namespace

LongTask::LongTask(QString what) : m_what(std::move(what))
{
    ++g_longTasks;
    g_taskNames.append(m_what);
}

LongTask::~LongTask()
{
    g_taskNames.removeAt(g_taskNames.lastIndexOf(m_what));
    if (--g_longTasks > 0)
        return;
    if (g_pendingEnd) {
        // From the event loop, once the handler that ran the task has returned too.
        QTimer::singleShot(0, QCoreApplication::instance(), runPendingEnd);
    } else {
        // An end that went on without waiting (Program::endNow) has run: nothing is left for it to stop.
        g_ending = false;
        g_switching = false;
    }
}

bool LongTask::running() { return g_longTasks > 0 && !g_endingNow; }

QStringList LongTask::runningTasks()
{
    QStringList names;
    for (const QString& name : std::as_const(g_taskNames))
        if (!name.isEmpty() && !names.contains(name))
            names << name;
    return names;
}

void LongTask::yield(QEventLoop::ProcessEventsFlags flags, const char* file, int line)
{
    std::optional<LongTask> own;
    if (g_longTasks == 0) {
        if (strayYield())
            strayYield()(file, line);
        own.emplace();
    }
    // What runs meanwhile is none of the task's business: the server user's own failures are boxes again,
    // even while a client's long answer reports without waiting.
    const ReportAsUsual usual;
    QCoreApplication::processEvents(flags);
}

void LongTask::setStrayYieldHandler(StrayYield handler)
{
    strayYield() = handler ? std::move(handler) : StrayYield(reportStrayYield);
}

bool LongTask::refuse(const QString& cannot)
{
    if (g_longTasks == 0)
        return false;
    const QStringList names = runningTasks();
    const QString what =
        names.isEmpty() ? QStringLiteral("A long task") : QLatin1Char('"') + names.first() + QLatin1Char('"');
    // Said without waiting: the command runs while the task lets the event loop run, and a box that waited here
    // would hold the task, and the program's end, for as long as it is left open.
    Prompt::notice(what + QStringLiteral(" is still running: ") + cannot +
                       QStringLiteral(" until it has finished. Nothing was changed."),
                   Prompt::Exclamation);
    return true;
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

int unloadWaitingForms(const QString& kind)
{
    return programLinks().unloadWaitingForms ? programLinks().unloadWaitingForms(kind) : 0;
}

bool ending() { return g_ending; }

void requestEnd(std::function<void()> end)
{
    if (g_pendingEnd && !g_switching)
        return;
    request(std::move(end), false);
}

bool endWaits() { return g_pendingEnd && !g_switching; }

void endNow()
{
    if (!endWaits())
        return;
    const std::function<void()> end = std::move(g_pendingEnd);
    g_pendingEnd = nullptr;
    // The tasks still under way stop at their next step: ending() holds until the last has returned.
    Prompt::setClosed(false);
    g_endingNow = true;
    end();
    g_endingNow = false;
}

void exit()
{
    if (programLinks().exitProgram) {
        requestEnd(programLinks().exitProgram);
        return;
    }
    requestEnd([] {
        if (gMainForm) {
            gMainForm->blnExit = true;
            gMainForm->Unload();
        }
    });
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

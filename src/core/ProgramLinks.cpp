#include "core/ProgramLinks.h"

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

} // namespace Program

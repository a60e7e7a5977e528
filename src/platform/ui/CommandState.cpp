#include "platform/ui/CommandState.h"

#include <QAction>

namespace {

const char* const kNotBuilt = "velquonNotBuilt";

} // namespace

namespace CommandState {

void markNotBuilt(QAction* action)
{
    action->setProperty(kNotBuilt, true);
    action->setEnabled(false);
}

void setAvailable(QAction* action, bool available)
{
    action->setProperty(kNotBuilt, !available);
    action->setEnabled(available);
}

bool isBuilt(const QAction* action) { return !action->property(kNotBuilt).toBool(); }

void setEnabled(QAction* action, bool enabled) { action->setEnabled(enabled && isBuilt(action)); }

} // namespace CommandState

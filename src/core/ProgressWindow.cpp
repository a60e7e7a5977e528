#include "core/ProgressWindow.h"

ProgressWindow::~ProgressWindow() = default;

bool ProgressDisplay::showsStep(qint32 value, qint32 maximum, qint64 msSinceShown)
{
    return value >= maximum || maximum <= kEveryStepUpTo || msSinceShown >= kShowIntervalMs;
}

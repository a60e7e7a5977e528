#include "core/ProgressWindow.h"

#include <algorithm>

ProgressWindow::~ProgressWindow() = default;

bool ProgressDisplay::showsStep(qint32 value, qint32 maximum, qint64 msSinceShown)
{
    if (value >= maximum || msSinceShown >= kShowIntervalMs)
        return true;
    const qint32 block = std::max<qint32>(1, qint32((qint64(maximum) + kShownBlocks - 1) / kShownBlocks));
    return value % block == 0;
}

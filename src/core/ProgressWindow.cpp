#include "core/ProgressWindow.h"

ProgressWindow::~ProgressWindow() = default;

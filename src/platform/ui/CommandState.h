#pragma once

class QAction;

// Menu items and toolbar buttons whose work is not built yet stay visible, so the menus keep their
// places, but are disabled for good: a command that does nothing when chosen would look broken.
namespace CommandState {

// Disables the command and keeps it disabled through setEnabled.
void markNotBuilt(QAction* action);
// The same for a command whose work is a window of another part that may be there or not (it registers
// itself when it is made): unavailable, it is disabled and counts as not built; available, it follows
// setEnabled again.
void setAvailable(QAction* action, bool available);
bool isBuilt(const QAction* action);
// Enables or disables a command as its window's state asks; one that is not built stays disabled.
void setEnabled(QAction* action, bool enabled);

} // namespace CommandState

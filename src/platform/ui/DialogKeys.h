#pragma once

class QAbstractButton;
class QWidget;

// The keys of a dialog for a window that is not one (a tool window with a Cancel button): Escape presses its
// Cancel button and Enter its default button, from whichever control has the focus, unless that control takes
// the key itself (an open list, a multi-line box). Dialogs get the same from Qt.
namespace DialogKeys {
void install(QWidget* window, QAbstractButton* defaultButton, QAbstractButton* cancelButton);
} // namespace DialogKeys

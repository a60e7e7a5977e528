#pragma once

#include <functional>

class QDialog;

// Runs a dialog modal, unless the program runs without anyone to answer (VELQUON_NONINTERACTIVE=1): then
// the dialog is not shown and counts as closed without OK, so nothing headless ever waits on it.
//
// Tests answer dialogs the way they answer Prompt's boxes: a queued script gets the next dialog once it is
// shown (so its display set-up has run), fills it and presses its buttons; whatever the script leaves open
// is then closed as the close box would close it, and a dialog deleted meanwhile (its owner went) counts as
// cancelled. No modal loop runs for a scripted dialog.
int execDialog(QDialog& dialog);

namespace ModalDialog {
using Script = std::function<void(QDialog&)>;
void queueScript(Script script);
// Scripts queued and not yet used.
int pendingScripts();
void resetScripts();
} // namespace ModalDialog

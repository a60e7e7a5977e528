#pragma once

class QDialog;

// Runs a dialog modal, unless the program runs without anyone to answer (VELQUON_NONINTERACTIVE=1): then
// the dialog is not shown and counts as closed without OK, so nothing headless ever waits on it.
int execDialog(QDialog& dialog);

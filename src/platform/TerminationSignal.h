#pragma once

#include <QString>

#include <functional>

// Turns the signals that ask the program to end into a call of handler on the event loop: SIGTERM (a service
// manager or the session), SIGINT (Ctrl+C in the terminal it was started from) and SIGHUP (that terminal
// closed). The signal handler only writes the signal's number to a socket pair; the loop reads it and calls
// handler. SIGINT and SIGHUP that were ignored when the process started (nohup, a background job of a
// script) stay ignored. Installing again replaces the handler.
void installTerminationHandler(std::function<void()> handler);
// The signal whose handler call runs now, or ran last; 0 before any.
int lastTerminationSignal();
// A write to a pipe or a socket whose reader has gone fails (EPIPE) and is said by whoever wrote, instead of
// ending the program on the spot without its exit steps (the lock, the socket and the stores' files left).
// Called first thing in main.
void ignoreBrokenPipes();
// "SIGTERM", "SIGINT", "SIGHUP", or the number for another.
QString terminationSignalName(int signal);

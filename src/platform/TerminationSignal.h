#pragma once

#include <functional>

// Turns SIGTERM (the session or a service manager ending the program) into a call of handler on the
// event loop: the signal handler only writes a byte to a socket pair, the loop reads it and calls handler.
// Installing again replaces the handler.
void installTerminationHandler(std::function<void()> handler);

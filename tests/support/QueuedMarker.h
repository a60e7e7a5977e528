#pragma once

// Queues a marker call on the event loop and turns the loop until it has run, so everything queued before
// it (deferred deletions aside) has been handled: a check that something did not happen follows it
// instead of a pause. It does not wait for bytes still on their way through a socket or a terminal;
// wait for those to be read first.
bool waitForQueuedMarker(int timeoutMs = 5000);

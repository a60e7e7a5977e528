#pragma once

// Ends the process, once main has returned or exit() was called, without running the shared libraries'
// finalizers. Everything of ours is closed and flushed by then (after an exit() from elsewhere, by a handler
// registered later, which runs first: app/StartUp's closeOnAnyExit); what is left is Qt's own clean-up, and
// Qt 6.4's sound engine stops its PulseAudio thread there while that thread may still be handling the
// server's last event, which makes PulseAudio abort: a program that did all its work would end with a core
// dump instead of its exit code. The exit code is kept, and a build with the leak checker still checks.
// Call it once, early in main, before anything registers clean-up of its own.
void endWithoutLibraryTeardown();

// The process is being ended from inside its work (an exit() from a library while the event loop runs): the
// windows, Qt and the libraries below it are left as they stand, which the leak checker would take for leaks.
// A build with the leak checker then ends without its check.
void endingFromElsewhere();

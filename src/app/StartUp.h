#pragma once

// The composition root's start-up, shut-down and mode switch. Everything below src/app/ reaches these only
// through the program links (core/ProgramLinks.h) that registerStartupWindows fills.

// The start-up: one copy per settings location, first-run settings, the network mode, start with the
// desktop, the program-wide objects, the databases (standalone and server), the main window of the mode,
// the start-up events and report, statistics, attribute groups, view period and contacts.
// Returns false when another copy is already running (it has been asked to show its main window), or when the
// settings' lock cannot be had (said in a box): this process must end (with StartUpExitCode()) without touching
// anything.
bool Main();
// Closes the databases, releases the program-wide objects and unloads every window. Errors are ignored.
void ShutDown();

// Ends the event loop, unless the mode is being switched (start-up then runs again in this process).
void EndProgram();
// True once EndProgram ran: an end requested before the event loop started (inside start-up's first-run
// dialog) must still end the process.
bool ProgramEnded();
// What the process returns when Main gave false: 1 when a copy holding the settings' lock did not answer, or
// when the lock could not be had.
int StartUpExitCode();
// The program's exit on a request from outside (session logout, a signal): the main window closes as if
// its user chose Exit; whatever it did not do itself (LogOffTime, ShutDown) is done here; the loop ends.
// On a signal nothing is asked: what was not saved is said in the activity log.
void ExitProgram();
// After a change of network mode to or from client mode: the main window closes without ending the
// program, and start-up runs again for the stored mode.
void RunStartUpAgain();
// Connects the exit steps to session logout, the application's end and SIGTERM, SIGINT and SIGHUP.
void installExitHooks();
// Closes the stores and removes the lock's and the socket's files when the process ends through exit() from
// anywhere without the exit steps (a library's: Qt's when the X server goes away). Called before start-up and
// again once it has gone through; from then on LogOffTime is saved too. The program's own, not the tests'.
void closeOnAnyExit(bool startUpDone);

#pragma once

#include <QProcessEnvironment>

#include <functional>

// The program runs on Qt's own event loop rather than GLib's: a call's lines reach the clients sooner and
// each timer tick costs less. Qt reads the choice from the environment each time it makes a thread's loop,
// also for the threads it starts long after start-up (sound, speech, name look-ups), so the choice stays in
// the environment for the whole run: a thread on GLib's loop aborts the program when it finds no descriptor
// for its wake-up pipe. Programs started from here (a browser, a settings tool) get the environment as the
// desktop would give it, without the choice.
namespace EventLoopChoice {

// Before the application object is made. A choice already in the environment is left as it is.
void useQtsOwnLoop();
// The environment for a program started from here.
QProcessEnvironment childEnvironment();
// Runs start, which starts a program through a service that takes the process's own environment (the
// desktop's URL handler), with the child's environment in place; returns what start returned.
bool startWithChildEnvironment(const std::function<bool()>& start);

} // namespace EventLoopChoice

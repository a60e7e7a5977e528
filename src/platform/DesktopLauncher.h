#pragma once

#include <QUrl>

#include <functional>

// Opening web pages, mail links and the help file with the desktop's own programs.
//
// QDesktopServices reports only that the desktop's opener (xdg-open) was started, not whether it found a
// program for the link: without a browser, a click did nothing visible. The program's openers run the
// opener themselves and watch it; it exits at once with an error when nothing takes the link.
namespace DesktopLauncher {

// Makes QDesktopServices use the watched opener for web, mail and file links (start-up of the program;
// a test's own URL handlers replace them).
void installOpeners();
void removeOpeners();

// Opens url. False when it could not be handed to anything now; when the opener says later that nothing
// took it, failed runs from the event loop. A link opened by a program that ran for a while counts as
// taken, whatever that program's exit status.
bool open(const QUrl& url, std::function<void()> failed);

} // namespace DesktopLauncher

#pragma once

// Fills the window factory with the program's windows (main windows, first-run dialog, progress window),
// so that start-up, shut-down and long operations in velquon_core can make them. Called once by main()
// before Main(); tests call it too.
void registerStartupWindows();

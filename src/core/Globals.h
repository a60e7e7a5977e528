#pragma once

#include <QString>

class MainWindow;

// Program-wide state that start-up creates and ShutDown releases. Other program-wide objects
// (the databases, the collections, the announcer, the server ...) are declared by their own modules.

enum NetworkMode : int { Standalone = 0, Server = 1, Client = 2 };

extern int gNetworkMode;      // read once at start-up from the setting Networking
extern MainWindow* gMainForm; // the loaded main window, or nullptr
extern bool gSwitchingMode;   // set while start-up runs again after a change to or from client mode
extern bool gRinging;         // from a call's first RING until 8 s after its last one

inline bool isClientMode() { return gNetworkMode == Client; }

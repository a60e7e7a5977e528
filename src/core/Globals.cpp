#include "core/Globals.h"

int gNetworkMode = Standalone;
MainWindow* gMainForm = nullptr;
bool gSwitchingMode = false;
bool gRinging = false;

// Linked into every test program. A test program ends the way the program does: its verdict is its exit
// code, never a crash in a library's clean-up after the last test has passed (see platform/ProcessEnd.h).
#include "platform/ProcessEnd.h"

namespace {
const bool endsCleanly = (endWithoutLibraryTeardown(), true);
} // namespace

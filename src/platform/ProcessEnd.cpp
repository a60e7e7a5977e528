#include "platform/ProcessEnd.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#define VELQUON_LEAK_CHECK 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VELQUON_LEAK_CHECK 1
#endif
#endif
#ifdef VELQUON_LEAK_CHECK
#include <sanitizer/lsan_interface.h>
#endif

namespace {

bool g_fromElsewhere = false;

void endNow(int status, void*)
{
    std::fflush(nullptr);
#ifdef VELQUON_LEAK_CHECK
    // The checker's own end-of-process check would be skipped with the finalizers: run it here. It ends the
    // process itself when it finds a leak.
    if (!g_fromElsewhere)
        __lsan_do_leak_check();
#endif
    _exit(status);
}

} // namespace

void endingFromElsewhere() { g_fromElsewhere = true; }

void endWithoutLibraryTeardown()
{
    // Handlers run in the reverse order of their registration: whatever registers later (our own
    // function-level singletons, Qt's lazily made globals) is still destroyed before this one runs.
    static const bool registered = on_exit(endNow, nullptr) == 0;
    (void)registered;
}

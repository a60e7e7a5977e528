#pragma once

// Checks that some work stays quick (no quadratic fill, no exponential matching) allow this many times their
// limit in the sanitizer build, whose instrumented code runs several times slower. Waits are not scaled.
#ifdef VELQUON_SANITIZED
constexpr int kWorkTimeScale = 4;
#else
constexpr int kWorkTimeScale = 1;
#endif

#pragma once

#include <cstdio>
#include <cstdlib>

// Aborts the fuzz run (which libFuzzer reports as a crash) when an invariant does not hold.
#define FUZZ_CHECK(condition)                                                            \
  do {                                                                                   \
    if (!(condition)) {                                                                  \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                      \
    }                                                                                    \
  } while (false)

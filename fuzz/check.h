#pragma once
// A broken promise ends the run as a crash, so libFuzzer keeps the input that caused it.
#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition)                                             \
  do {                                                                    \
    if (!(condition)) {                                                   \
      std::fprintf(stderr, "broken: %s (%s:%d)\n", #condition, __FILE__, __LINE__); \
      std::abort();                                                       \
    }                                                                     \
  } while (0)

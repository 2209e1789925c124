#pragma once

#include <cstdio>
#include <cstdlib>

// A broken promise is a finding: stop the run so that libFuzzer keeps the input.
#define FUZZ_CHECK(condition)                                                                                          \
    do {                                                                                                               \
        if (!(condition)) {                                                                                            \
            std::fprintf(stderr, "broken promise: %s (%s:%d)\n", #condition, __FILE__, __LINE__);                      \
            std::abort();                                                                                              \
        }                                                                                                              \
    } while (false)

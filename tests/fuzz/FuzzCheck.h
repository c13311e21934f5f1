#pragma once

// The fuzz targets' assertion: a broken property prints what and where, then
// aborts, which both libFuzzer and the corpus runner report as a finding.

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition, what)                                                                \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: property broken: %s (%s)\n", __FILE__, __LINE__, what,    \
                #condition);                                                                       \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

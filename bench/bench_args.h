// Command-line numbers of the benchmark programs.
#pragma once

#include <climits>
#include <cstdio>
#include <cstdlib>

namespace benchargs {

[[noreturn]] inline void usage(const char* text) {
    std::fprintf(stderr, "usage: %s\n", text);
    std::exit(2);
}

// The positive number after argv[i], at most `limit`; i moves on to it. Any
// other text ends the program with the usage line.
inline long positiveArg(int argc, char** argv, int& i, const char* usageText,
                        long limit = LONG_MAX) {
    if (i + 1 >= argc) usage(usageText);
    char* end = nullptr;
    long v = std::strtol(argv[++i], &end, 10);
    if (*end != '\0' || v <= 0 || v > limit) usage(usageText);
    return v;
}

}  // namespace benchargs

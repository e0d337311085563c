// One bad-input case of a tool's error suite: the arguments, and a word the
// one-line error must contain.
#pragma once

#include <ostream>
#include <string>
#include <vector>

struct BadUse {
    const char* name;
    std::vector<std::string> args;  // "@" stands for the scratch directory
    const char* mentions;           // in the error line
};

// Names the case in test listings rather than dumping its bytes.
inline void PrintTo(const BadUse& use, std::ostream* os) {
    *os << use.name;
}

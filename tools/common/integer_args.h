// Strict integer arguments for the command-line tools: plain decimal with an
// optional sign, nothing else (no spaces, no "0x", no exponent). CLI11's own
// conversion silently saturates out-of-range numbers, so the tools take
// their numbers as text and convert them here.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

// Throws std::runtime_error naming the option, e.g.
// "--width: 'abc' is not an integer" or "--width: 0 is out of range (1..32768)".
long long parseInteger(std::string_view option, std::string_view text, long long min,
                       long long max);

// Exactly `count` comma-separated integers, each within min..max.
std::vector<long long> parseIntegerList(std::string_view option, std::string_view text,
                                        std::size_t count, long long min, long long max);

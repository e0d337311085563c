// The tools' error convention: any problem ends the tool with exactly one
// line on stderr, "<tool>: <what went wrong>", and exit status 2.
#pragma once

#include <functional>
#include <string_view>

constexpr int kToolUsageError = 2;

// Runs `body` and returns its exit status, or kToolUsageError after printing
// the message of any exception it throws.
int runTool(std::string_view toolName, const std::function<int()>& body);

#include "tool_main.h"

#include <algorithm>
#include <exception>
#include <iostream>
#include <string>

namespace {

// Messages are promised to fit on one line, whatever a library put in them.
std::string oneLine(std::string text) {
    std::replace(text.begin(), text.end(), '\n', ' ');
    std::replace(text.begin(), text.end(), '\r', ' ');
    return text;
}

}  // namespace

int runTool(std::string_view toolName, const std::function<int()>& body) {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        std::cerr << toolName << ": out of memory\n";
    } catch (const std::exception& e) {
        std::cerr << toolName << ": " << oneLine(e.what()) << '\n';
    }
    return kToolUsageError;
}

#include "command_line.h"

#include <iostream>
#include <stdexcept>

std::string wrapHelp(std::string_view text, std::size_t width) {
    std::string wrapped;
    std::size_t lineLength = 0;
    while (!text.empty()) {
        const std::size_t space = text.find(' ');
        const std::string_view word = text.substr(0, space);
        text.remove_prefix(space == std::string_view::npos ? text.size() : space + 1);
        if (lineLength > 0 && lineLength + 1 + word.size() > width) {
            wrapped += '\n';
            lineLength = 0;
        } else if (lineLength > 0) {
            wrapped += ' ';
            ++lineLength;
        }
        wrapped += word;
        lineLength += word.size();
    }
    return wrapped;
}

void useHelpLayout(CLI::App& app) {
    app.get_formatter()->column_width(kHelpColumn);
    for (CLI::Option* option : app.get_options()) {
        option->description(wrapHelp(option->get_description()));
    }
}

bool parseCommandLine(CLI::App& app, int argc, const char* const* argv) {
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        std::cout << app.help();
        return false;
    } catch (const CLI::ParseError& e) {
        throw std::runtime_error(e.what());
    }
    return true;
}

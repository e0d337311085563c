#include "integer_args.h"

#include <charconv>
#include <stdexcept>
#include <string>

namespace {

[[noreturn]] void fail(std::string_view option, const std::string& problem) {
    throw std::runtime_error(std::string(option) + ": " + problem);
}

std::string quoted(std::string_view text) {
    return "'" + std::string(text) + "'";
}

}  // namespace

long long parseInteger(std::string_view option, std::string_view text, long long min,
                       long long max) {
    // from_chars takes no leading '+'; accept one, as people do type it.
    std::string_view digits = text.starts_with('+') ? text.substr(1) : text;
    if (digits != text && digits.starts_with('-')) {
        fail(option, quoted(text) + " is not an integer");
    }
    long long value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    const bool whole = end == digits.data() + digits.size() && !digits.empty();
    if (error == std::errc::invalid_argument || !whole) {
        fail(option, quoted(text) + " is not an integer");
    }
    if (error == std::errc::result_out_of_range || value < min || value > max) {
        fail(option, std::string(text) + " is out of range (" + std::to_string(min) + ".." +
                         std::to_string(max) + ")");
    }
    return value;
}

std::vector<long long> parseIntegerList(std::string_view option, std::string_view text,
                                        std::size_t count, long long min, long long max) {
    std::vector<std::string_view> items;
    for (std::size_t from = 0;;) {
        const std::size_t comma = text.find(',', from);
        items.push_back(text.substr(from, comma - from));
        if (comma == std::string_view::npos) {
            break;
        }
        from = comma + 1;
    }
    if (items.size() != count) {
        fail(option,
             "expects " + std::to_string(count) + " comma-separated integers, got " + quoted(text));
    }
    std::vector<long long> values;
    for (std::string_view item : items) {
        values.push_back(parseInteger(option, item, min, max));
    }
    return values;
}

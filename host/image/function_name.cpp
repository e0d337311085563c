#include "function_name.h"

#include <cxxabi.h>

#include <cstdlib>
#include <memory>

namespace host::image {
namespace {

constexpr std::string_view kQualifiers[] = {" const", " volatile", " &&", " &", " noexcept"};

std::string_view withoutCloneSuffixes(std::string_view text) {
    for (std::size_t at; (at = text.find(" [clone ")) != std::string_view::npos;) {
        text = text.substr(0, at);
    }
    return text;
}

std::string_view withoutTrailingQualifiers(std::string_view text) {
    for (bool stripped = true; stripped;) {
        stripped = false;
        for (std::string_view qualifier : kQualifiers) {
            if (text.ends_with(qualifier)) {
                text.remove_suffix(qualifier.size());
                stripped = true;
            }
        }
    }
    return text;
}

}  // namespace

std::string withoutParameters(std::string_view demangled) {
    std::string_view text = withoutTrailingQualifiers(withoutCloneSuffixes(demangled));
    if (!text.ends_with(')')) {
        return std::string(demangled);
    }
    int depth = 0;
    for (std::size_t at = text.size(); at-- > 0;) {
        if (text[at] == ')') {
            ++depth;
        } else if (text[at] == '(' && --depth == 0) {
            return at == 0 ? std::string(demangled) : std::string(text.substr(0, at));
        }
    }
    return std::string(demangled);
}

std::string readableFunctionName(std::string_view symbol) {
    if (!symbol.starts_with("_Z")) {
        return std::string(symbol);
    }
    const std::string mangled(symbol);
    int status = 0;
    std::unique_ptr<char, decltype(&std::free)> demangled(
        abi::__cxa_demangle(mangled.c_str(), nullptr, nullptr, &status), &std::free);
    if (status != 0 || demangled == nullptr) {
        return mangled;
    }
    return withoutParameters(demangled.get());
}

}  // namespace host::image

// Conversions between the UTF-8 text that tests and .reg files use and the
// UTF-16 of kernel names and REG_SZ data, and the case folding that makes
// registry names case-insensitive. Pure functions; any thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace host::detail {

// Null when `text` is not well-formed UTF-8.
std::optional<std::u16string> utf8ToUtf16(std::string_view text);
// Null when `text` holds an unpaired surrogate.
std::optional<std::string> utf16ToUtf8(std::u16string_view text);

// The registry's upper-case form of a name, used as its lookup key. Folds
// ASCII and Latin-1 letters; Windows folds every script through its
// upcase table, a difference no driver name here comes near.
std::u16string foldedName(std::u16string_view name);

}  // namespace host::detail

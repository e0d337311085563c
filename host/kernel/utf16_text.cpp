#include "utf16_text.h"

namespace host::detail {
namespace {

// The length of the UTF-8 sequence led by `lead`, 0 for a bad lead byte.
int sequenceLength(unsigned char lead) {
    if (lead < 0x80) {
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        return 2;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        return 3;
    }
    return lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
}

// Decodes one code point at `at`, advancing it; null when malformed,
// overlong, a surrogate or beyond U+10FFFF.
std::optional<char32_t> decodeUtf8(std::string_view text, std::size_t& at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    const int length = sequenceLength(lead);
    if (length == 0 || at + static_cast<std::size_t>(length) > text.size()) {
        return std::nullopt;
    }
    char32_t code = length == 1 ? lead : lead & (0x7Fu >> length);
    for (int i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[at + static_cast<std::size_t>(i)]);
        if ((next & 0xC0) != 0x80) {
            return std::nullopt;
        }
        code = (code << 6) | (next & 0x3Fu);
    }
    static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kSmallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        return std::nullopt;
    }
    at += static_cast<std::size_t>(length);
    return code;
}

void appendUtf8(std::string& out, char32_t code) {
    auto put = [&out](char32_t bits) { out.push_back(static_cast<char>(bits)); };
    if (code < 0x80) {
        put(code);
    } else if (code < 0x800) {
        put(0xC0 | (code >> 6));
        put(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        put(0xE0 | (code >> 12));
        put(0x80 | ((code >> 6) & 0x3F));
        put(0x80 | (code & 0x3F));
    } else {
        put(0xF0 | (code >> 18));
        put(0x80 | ((code >> 12) & 0x3F));
        put(0x80 | ((code >> 6) & 0x3F));
        put(0x80 | (code & 0x3F));
    }
}

bool isHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool isLowSurrogate(char16_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

}  // namespace

std::optional<std::u16string> utf8ToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const std::optional<char32_t> code = decodeUtf8(text, at);
        if (!code) {
            return std::nullopt;
        }
        if (*code < 0x10000) {
            out.push_back(static_cast<char16_t>(*code));
        } else {
            const char32_t offset = *code - 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (offset >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (offset & 0x3FF)));
        }
    }
    return out;
}

std::optional<std::string> utf16ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size(); ++at) {
        const char16_t unit = text[at];
        if (isLowSurrogate(unit)) {
            return std::nullopt;
        }
        if (!isHighSurrogate(unit)) {
            appendUtf8(out, unit);
            continue;
        }
        if (at + 1 == text.size() || !isLowSurrogate(text[at + 1])) {
            return std::nullopt;
        }
        appendUtf8(out, 0x10000 + ((char32_t{unit} - 0xD800) << 10) + (text[at + 1] - 0xDC00u));
        ++at;
    }
    return out;
}

std::u16string foldedName(std::u16string_view name) {
    std::u16string out(name);
    for (char16_t& unit : out) {
        const bool asciiLower = unit >= u'a' && unit <= u'z';
        const bool latin1Lower = unit >= 0xE0 && unit <= 0xFE && unit != 0xF7;
        if (asciiLower || latin1Lower) {
            unit = static_cast<char16_t>(unit - 0x20);
        }
    }
    return out;
}

}  // namespace host::detail

#include "reg_file_reader.h"

#include <stdexcept>

#include "utf16_text.h"

namespace host::detail {
namespace {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";

struct LineError {
    std::string what;
};

// The file as UTF-8 text: UTF-16LE (after its BOM) converted, a UTF-8 BOM
// dropped. UTF-8 itself is checked line by line, to name the line.
std::string decodeFile(std::string_view bytes) {
    if (bytes.starts_with("\xFF\xFE")) {
        std::u16string units;
        for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
            units.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                                  static_cast<unsigned char>(bytes[i + 1]) << 8));
        }
        std::optional<std::string> text = utf16ToUtf8(units);
        if (bytes.size() % 2 != 0 || !text) {
            throw std::runtime_error("line 1: the file is not well-formed UTF-16LE");
        }
        return *text;
    }
    if (bytes.starts_with("\xEF\xBB\xBF")) {
        bytes.remove_prefix(3);
    }
    return std::string(bytes);
}

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    // A final line break ends the last line rather than starting another.
    while (start < text.size() || (start == 0 && text.empty())) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

std::string_view trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == text.npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::u16string wide(std::string_view text) {
    std::optional<std::u16string> units = utf8ToUtf16(text);
    if (!units) {
        throw LineError{"not valid UTF-8"};
    }
    return *units;
}

// Reads a quoted string at the start of `text`, unescaping \\ and \";
// leaves `text` after the closing quote.
std::string takeQuoted(std::string_view& text) {
    std::string out;
    for (std::size_t i = 1; i < text.size(); ++i) {
        if (text[i] == '"') {
            text.remove_prefix(i + 1);
            return out;
        }
        if (text[i] == '\\') {
            if (++i == text.size() || (text[i] != '\\' && text[i] != '"')) {
                throw LineError{"only \\\\ and \\\" may be escaped in a quoted string"};
            }
        }
        out.push_back(text[i]);
    }
    throw LineError{"a quoted string is not closed"};
}

std::optional<unsigned> hexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return static_cast<unsigned>(c - '0');
    }
    if (c >= 'a' && c <= 'f') {
        return static_cast<unsigned>(c - 'a' + 10);
    }
    if (c >= 'A' && c <= 'F') {
        return static_cast<unsigned>(c - 'A' + 10);
    }
    return std::nullopt;
}

// 1 to `maxDigits` hex digits, the whole of `text`.
std::uint32_t hexNumber(std::string_view text, std::size_t maxDigits, const char* what) {
    if (text.empty() || text.size() > maxDigits) {
        throw LineError{std::string(what) + " needs 1 to " + std::to_string(maxDigits) +
                        " hex digits"};
    }
    std::uint32_t number = 0;
    for (char c : text) {
        const std::optional<unsigned> digit = hexDigit(c);
        if (!digit) {
            throw LineError{std::string(what) + " is not hexadecimal: \"" + std::string(text) +
                            "\""};
        }
        number = number << 4 | *digit;
    }
    return number;
}

std::vector<std::uint8_t> hexBytes(std::string_view list) {
    std::vector<std::uint8_t> bytes;
    std::size_t start = 0;
    while (!list.empty() && start <= list.size()) {
        std::size_t end = list.find(',', start);
        if (end == list.npos) {
            end = list.size();
        }
        bytes.push_back(static_cast<std::uint8_t>(
            hexNumber(trimmed(list.substr(start, end - start)), 2, "a byte")));
        start = end + 1;
    }
    return bytes;
}

std::vector<std::uint8_t> stringBytes(std::string_view text) {
    std::vector<std::uint8_t> bytes;
    for (char16_t unit : wide(text) + u'\0') {
        bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    return bytes;
}

std::vector<std::uint8_t> dwordBytes(std::string_view digits) {
    const std::uint32_t number = hexNumber(digits, 8, "a dword");
    return {static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
            static_cast<std::uint8_t>(number >> 16), static_cast<std::uint8_t>(number >> 24)};
}

// The value after "=" on a complete (joined) line; null for "-".
std::optional<RegistryValue> parseData(std::string_view data) {
    if (data == "-") {
        return std::nullopt;
    }
    if (data.starts_with('"')) {
        const std::string text = takeQuoted(data);
        if (!trimmed(data).empty()) {
            throw LineError{"unexpected text after the string"};
        }
        return RegistryValue{REG_SZ, stringBytes(text)};
    }
    if (data.starts_with("dword:")) {
        return RegistryValue{REG_DWORD, dwordBytes(data.substr(6))};
    }
    if (data.starts_with("hex:")) {
        return RegistryValue{REG_BINARY, hexBytes(data.substr(4))};
    }
    if (data.starts_with("hex(")) {
        const std::size_t close = data.find("):");
        if (close == data.npos) {
            throw LineError{"hex( needs a type and \"):\""};
        }
        const ULONG type = hexNumber(data.substr(4, close - 4), 8, "a value type");
        return RegistryValue{type, hexBytes(data.substr(close + 2))};
    }
    throw LineError{"unknown value data: \"" + std::string(data) + "\""};
}

class Parser {
  public:
    explicit Parser(std::vector<std::string> lines) : lines_(std::move(lines)) {}

    std::vector<RegFileEdit> run() {
        if (trimmed(lines_.front()) != kHeader) {
            fail(0, "the first line must be \"" + std::string(kHeader) + "\"");
        }
        for (next_ = 1; next_ < lines_.size();) {
            const std::size_t at = next_++;
            try {
                parseLine(at, trimmed(lines_[at]));
            } catch (const LineError& error) {
                fail(at, error.what);
            }
        }
        return std::move(edits_);
    }

  private:
    [[noreturn]] static void fail(std::size_t at, const std::string& what) {
        throw std::runtime_error("line " + std::to_string(at + 1) + ": " + what);
    }

    void parseLine(std::size_t at, std::string_view line) {
        wide(line);  // every line must be UTF-8
        if (line.empty() || line.starts_with(';')) {
            return;
        }
        if (line.starts_with('[')) {
            return parseSection(line);
        }
        if (line.starts_with('"') || line.starts_with('@')) {
            return parseValue(at, line);
        }
        throw LineError{"expected a [key], a value, a comment or a blank line"};
    }

    void parseSection(std::string_view line) {
        if (!line.ends_with(']')) {
            throw LineError{"a key line must end with ']'"};
        }
        std::string_view path = line.substr(1, line.size() - 2);
        const bool remove = path.starts_with('-');
        if (remove) {
            path.remove_prefix(1);
        }
        KeyPath key;
        try {
            key = parseHivePath(path);
        } catch (const std::invalid_argument& error) {
            throw LineError{error.what()};
        }
        if (remove && key.size() == 1) {
            throw LineError{"a hive cannot be deleted"};
        }
        edits_.push_back(
            {remove ? RegFileEdit::Kind::kDeleteKey : RegFileEdit::Kind::kCreateKey, key, {}, {}});
        current_ = remove ? std::nullopt : std::optional(std::move(key));
    }

    // Hex data with the lines it continues on appended.
    std::string joinContinued(std::size_t at, std::string_view data) {
        std::string joined(data);
        while (joined.ends_with('\\')) {
            joined.pop_back();
            if (next_ == lines_.size()) {
                fail(at, "the value continues past the end of the file");
            }
            const std::string_view more = trimmed(lines_[next_++]);
            wide(more);
            joined += more;
        }
        return joined;
    }

    void parseValue(std::size_t at, std::string_view line) {
        if (!current_) {
            throw LineError{"a value must follow a [key] line"};
        }
        if (current_->size() == 1) {
            throw LineError{"a hive holds no values"};
        }
        std::string name;
        if (line.starts_with('@')) {
            line.remove_prefix(1);
        } else {
            name = takeQuoted(line);
        }
        if (!line.starts_with('=')) {
            throw LineError{"expected '=' after the value name"};
        }
        std::string data(trimmed(line.substr(1)));
        if (data.starts_with("hex")) {
            data = joinContinued(at, data);
        }
        std::optional<RegistryValue> value = parseData(data);
        edits_.push_back({value ? RegFileEdit::Kind::kSetValue : RegFileEdit::Kind::kDeleteValue,
                          *current_, wide(name), value.value_or(RegistryValue{})});
    }

    std::vector<std::string> lines_;
    std::size_t next_ = 0;
    std::optional<KeyPath> current_;
    std::vector<RegFileEdit> edits_;
};

}  // namespace

std::vector<RegFileEdit> parseRegText(std::string_view fileBytes) {
    return Parser(splitLines(decodeFile(fileBytes))).run();
}

}  // namespace host::detail

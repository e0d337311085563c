#include "registry_path.h"

#include <optional>
#include <stdexcept>

#include "utf16_text.h"

namespace host::detail {
namespace {

struct Hive {
    std::string_view display;
    std::u16string_view kernel;
};

constexpr Hive kHives[] = {{"HKEY_LOCAL_MACHINE", u"MACHINE"}, {"HKEY_USERS", u"USER"}};

// Splits at backslashes; null when some component is empty.
template <typename Char>
std::optional<std::vector<std::basic_string<Char>>> splitComponents(
    std::basic_string_view<Char> text) {
    std::vector<std::basic_string<Char>> parts;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = text.find(Char('\\'), start);
        auto part = text.substr(start, end == text.npos ? text.npos : end - start);
        if (part.empty()) {
            return std::nullopt;
        }
        parts.emplace_back(part);
        if (end == text.npos) {
            return parts;
        }
        start = end + 1;
    }
}

std::u16string_view kernelHiveName(const std::u16string& display) {
    for (const Hive& hive : kHives) {
        if (foldedName(display) == foldedName(*utf8ToUtf16(hive.display))) {
            return hive.kernel;
        }
    }
    return {};
}

}  // namespace

KeyPath parseHivePath(std::string_view path) {
    const std::optional<std::u16string> wide = utf8ToUtf16(path);
    if (!wide) {
        throw std::invalid_argument("key path is not UTF-8");
    }
    std::optional<KeyPath> parts = splitComponents(std::u16string_view(*wide));
    if (!parts) {
        throw std::invalid_argument("key path has an empty component: \"" + std::string(path) +
                                    "\"");
    }
    const std::u16string_view hive = kernelHiveName(parts->front());
    if (hive.empty()) {
        throw std::invalid_argument(
            "key path does not start with HKEY_LOCAL_MACHINE or HKEY_USERS: \"" +
            std::string(path) + "\"");
    }
    parts->front() = hive;
    return *parts;
}

std::string_view hiveDisplayName(std::u16string_view kernelName) {
    for (const Hive& hive : kHives) {
        if (foldedName(kernelName) == hive.kernel) {
            return hive.display;
        }
    }
    return {};
}

NTSTATUS splitObjectName(const UNICODE_STRING& name, bool relative, KeyPath* components) {
    components->clear();
    if (name.Length % sizeof(WCHAR) != 0 || (name.Length != 0 && name.Buffer == nullptr)) {
        return STATUS_OBJECT_NAME_INVALID;
    }
    std::u16string_view text(name.Buffer, name.Length / sizeof(WCHAR));
    const bool absolute = !text.empty() && text.front() == u'\\';
    if (absolute == relative || (text.empty() && !relative)) {
        return STATUS_OBJECT_PATH_SYNTAX_BAD;
    }
    if (text.empty()) {
        return STATUS_SUCCESS;
    }
    std::optional<KeyPath> parts = splitComponents(absolute ? text.substr(1) : text);
    if (!parts) {
        return STATUS_OBJECT_NAME_INVALID;
    }
    if (absolute) {
        if (foldedName(parts->front()) != u"REGISTRY") {
            return STATUS_OBJECT_PATH_NOT_FOUND;
        }
        parts->erase(parts->begin());
    }
    *components = std::move(*parts);
    return STATUS_SUCCESS;
}

}  // namespace host::detail

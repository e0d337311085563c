// The registry's .reg files: export, atomic save, all-or-nothing import.
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "reg_file_reader.h"
#include "reg_file_writer.h"
#include "registry.h"

namespace host {

std::string Registry::toRegText() const {
    std::lock_guard guard(mutex_);
    return detail::formatRegText(*root_);
}

void Registry::saveRegFile(const std::filesystem::path& path) const {
    const std::string text = toRegText();
    std::filesystem::path temporary = path;
    temporary += ".tmp" + std::to_string(::getpid());
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        out.close();
        if (!out) {
            std::filesystem::remove(temporary);
            throw std::runtime_error("cannot write " + temporary.string());
        }
    }
    std::error_code error;
    std::filesystem::rename(temporary, path, error);
    if (error) {
        std::filesystem::remove(temporary);
        throw std::runtime_error("cannot replace " + path.string() + ": " + error.message());
    }
}

void Registry::loadRegText(std::string_view fileBytes) {
    const std::vector<detail::RegFileEdit> edits = detail::parseRegText(fileBytes);
    std::lock_guard guard(mutex_);
    for (const detail::RegFileEdit& edit : edits) {
        using Kind = detail::RegFileEdit::Kind;
        if (edit.kind == Kind::kDeleteKey) {
            KeyRef parent = findLocked(root_, {edit.key.begin(), edit.key.end() - 1});
            if (parent != nullptr) {
                parent->removeSubkey(edit.key.back());
            }
            continue;
        }
        KeyRef key = createWithParentsLocked(edit.key);
        if (edit.kind == Kind::kSetValue) {
            key->setValue(edit.name, edit.value);
        } else if (edit.kind == Kind::kDeleteValue) {
            key->removeValue(edit.name);
        }
    }
}

void Registry::loadRegFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + path.string());
    }
    std::ostringstream bytes;
    bytes << in.rdbuf();
    try {
        loadRegText(bytes.str());
    } catch (const std::runtime_error& error) {
        throw std::runtime_error(path.string() + " " + error.what());
    }
}

}  // namespace host

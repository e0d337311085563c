#include "output_paths.h"

#include <unistd.h>

#include <optional>
#include <stdexcept>
#include <string>

namespace fs = std::filesystem;

namespace {

[[noreturn]] void fail(std::string_view option, const std::string& problem) {
    throw std::runtime_error(std::string(option) + ": " + problem);
}

// Why files cannot be made in `dir`, if they cannot. access() answers for
// the real user, who is the one running the tool.
std::optional<std::string> directoryProblem(const fs::path& dir) {
    std::error_code error;
    if (!fs::exists(dir, error)) {
        return dir.string() + " does not exist";
    }
    if (!fs::is_directory(dir, error)) {
        return dir.string() + " is not a directory";
    }
    if (::access(dir.c_str(), W_OK | X_OK) != 0) {
        return "cannot write in " + dir.string();
    }
    return std::nullopt;
}

fs::path nearestExisting(fs::path path) {
    std::error_code error;
    path = fs::absolute(path, error);
    while (!fs::exists(path, error) && path.has_relative_path()) {
        path = path.parent_path();
    }
    return path;
}

}  // namespace

void checkOutputDirectory(const fs::path& dir) {
    std::error_code error;
    const bool exists = fs::exists(dir, error);
    const fs::path where = exists ? dir : nearestExisting(dir);
    if (const auto problem = directoryProblem(where)) {
        fail("--out", exists ? *problem : "cannot make " + dir.string() + ": " + *problem);
    }
}

void checkOutputFile(std::string_view option, const fs::path& file) {
    std::error_code error;
    if (fs::is_directory(file, error)) {
        fail(option, file.string() + " is a directory");
    }
    const fs::path dir = file.has_parent_path() ? file.parent_path() : fs::path(".");
    if (const auto problem = directoryProblem(dir)) {
        fail(option, *problem);
    }
}

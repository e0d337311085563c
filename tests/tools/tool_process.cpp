#include "tool_process.h"

#include <cstdlib>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace {

std::string slurp(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

ToolRun runToolProcess(const std::string& program, const std::vector<std::string>& args,
                       const std::filesystem::path& scratch) {
    const std::string outPath = (scratch / ".tool-stdout").string();
    const std::string errPath = (scratch / ".tool-stderr").string();
    std::vector<std::string> storage{program};
    storage.insert(storage.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& s : storage) {
        argv.push_back(s.data());
    }
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        throw std::runtime_error("cannot start " + program);
    }
    int status = 0;
    waitpid(pid, &status, 0);

    ToolRun run{WIFEXITED(status) ? WEXITSTATUS(status) : -1, slurp(outPath), slurp(errPath)};
    std::filesystem::remove(outPath);
    std::filesystem::remove(errPath);
    return run;
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> driverImageArguments() {
    const char* image = std::getenv("BAYERCAM_DRIVER_IMAGE");
    if (image == nullptr || *image == '\0') {
        return {};
    }
    return {"--driver", image};
}

// A fresh, empty directory for one test's files, removed with everything in
// it when the object goes.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

class ScratchDir {
  public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }
    // Names of the entries, sorted; hidden (temporary) files included.
    std::vector<std::string> entries() const;

  private:
    std::filesystem::path path_;
};

void writeBytes(const std::filesystem::path& path, const std::vector<unsigned char>& bytes);
std::vector<unsigned char> readBytes(const std::filesystem::path& path);

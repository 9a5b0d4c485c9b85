#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

namespace qrk::test {

// A fresh folder for the files one test writes, removed afterwards.
struct TempDir {
  // Should the folder not be made, its paths lead nowhere and every write fails.
  TempDir() : made(::mkdtemp(root.data()) != nullptr) {}
  ~TempDir() {
    std::error_code ignored;
    if (made) std::filesystem::remove_all(root, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  std::string path(const std::string& name) const { return root + "/" + name; }
  // Writes `content` (bytes or text) to `name` and returns its path.
  template <typename Content>
  std::string file(const std::string& name, const Content& content) const {
    std::ofstream(path(name), std::ios::binary)
        .write(reinterpret_cast<const char*>(content.data()),
               static_cast<std::streamsize>(content.size()));
    return path(name);
  }
  std::string root = (std::filesystem::temp_directory_path() / "qrktestXXXXXX").string();
  const bool made;
};

inline std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace qrk::test

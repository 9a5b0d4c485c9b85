#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <system_error>

namespace qrk::test {

// A fresh folder for the files one test writes, removed afterwards.
struct TempDir {
  // Should the folder not be made, its paths lead nowhere and every write fails.
  TempDir() : made(makeRoot(root)) {}
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
  std::string root;
  const bool made;

 private:
  // mkdtemp's promise (a folder no one else has) without POSIX: making a
  // folder that already exists fails.
  static bool makeRoot(std::string& root) {
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
      const std::filesystem::path candidate =
          std::filesystem::temp_directory_path() / ("qrktest" + std::to_string(random()));
      root = candidate.string();
      std::error_code error;
      if (std::filesystem::create_directory(candidate, error)) return true;
    }
    return false;
  }
};

inline std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace qrk::test

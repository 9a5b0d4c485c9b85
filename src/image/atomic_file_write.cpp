#include "image/atomic_file_write.h"

#include <cerrno>
#include <cstdio>
#include <system_error>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#endif

namespace qrk {

namespace {

std::string errnoReason(int error) { return std::generic_category().message(error); }

// The two calls the write rests on differ by system. Windows' C library
// ignores fopen's "x" and would truncate a file of that name, and a rename
// over an existing file is MoveFileEx's promise there, not one every
// runtime's rename makes.
#if defined(_WIN32)

std::FILE* createNewFile(const std::filesystem::path& path) {
  // The wide name, so that a folder or file name outside the code page works.
  const int descriptor =
      _wopen(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
  if (descriptor < 0) return nullptr;
  std::FILE* file = _fdopen(descriptor, "wb");
  if (!file) _close(descriptor);
  return file;
}

std::error_code replaceFile(const std::filesystem::path& from, const std::filesystem::path& to) {
  if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return {};
  }
  return {static_cast<int>(GetLastError()), std::system_category()};
}

#else

std::FILE* createNewFile(const std::filesystem::path& path) {
  return std::fopen(path.c_str(), "wbx");
}

std::error_code replaceFile(const std::filesystem::path& from, const std::filesystem::path& to) {
  std::error_code error;
  std::filesystem::rename(from, to, error);
  return error;
}

#endif

// A name beside the target that no file has yet; the exclusive create fails
// rather than take over a file that appeared in between.
std::FILE* openFreshTemporary(const std::filesystem::path& target, std::filesystem::path& temporary,
                              int& error) {
  constexpr int kAttempts = 100;
  error = 0;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    temporary = target;
    temporary += ".tmp" + std::to_string(attempt);
    errno = 0;
    if (std::FILE* file = createNewFile(temporary)) return file;
    error = errno;
    if (error != EEXIST) return nullptr;
  }
  return nullptr;
}

}  // namespace

FileWriteResult writeFileAtomically(const std::filesystem::path& target,
                                    std::span<const std::uint8_t> bytes) {
  std::filesystem::path temporary;
  int error = 0;
  std::FILE* file = openFreshTemporary(target, temporary, error);
  if (!file) return {false, errnoReason(error != 0 ? error : EEXIST)};

  errno = 0;
  const bool written =
      std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() && std::fflush(file) == 0;
  error = errno;
  const bool closed = std::fclose(file) == 0;
  if (error == 0 && !closed) error = errno;

  std::error_code renameError;
  if (written && closed) renameError = replaceFile(temporary, target);
  if (written && closed && !renameError) return {};

  FileWriteResult result{
      false, renameError ? renameError.message() : errnoReason(error != 0 ? error : EIO)};
  std::error_code removeError;
  std::filesystem::remove(temporary, removeError);
  if (removeError) {
    result.reason += "; the temporary file " + temporary.string() + " could not be removed (" +
                     removeError.message() + ")";
  }
  return result;
}

}  // namespace qrk

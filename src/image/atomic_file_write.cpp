#include "image/atomic_file_write.h"

#include <cerrno>
#include <cstdio>
#include <system_error>

namespace qrk {

namespace {

std::string errnoReason(int error) { return std::generic_category().message(error); }

// A name beside the target that no file has yet; "x" makes the open fail
// rather than take over a file that appeared in between.
std::FILE* openFreshTemporary(const std::filesystem::path& target, std::filesystem::path& temporary,
                              int& error) {
  constexpr int kAttempts = 100;
  error = 0;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    temporary = target;
    temporary += ".tmp" + std::to_string(attempt);
    errno = 0;
    if (std::FILE* file = std::fopen(temporary.string().c_str(), "wbx")) return file;
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
  if (written && closed) std::filesystem::rename(temporary, target, renameError);
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

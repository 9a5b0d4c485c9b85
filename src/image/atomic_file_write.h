#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

namespace qrk {

struct FileWriteResult {
  bool ok = true;
  std::string reason;  // the system's reason when the write failed
};

// Writes `bytes` to a new file beside `target` and renames it over `target`, so
// the target holds either its old content or all of the new one. On failure
// the temporary file is removed and an existing target is left untouched.
FileWriteResult writeFileAtomically(const std::filesystem::path& target,
                                    std::span<const std::uint8_t> bytes);

}  // namespace qrk

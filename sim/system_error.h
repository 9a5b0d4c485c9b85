#pragma once

#include <cerrno>
#include <cstring>
#include <string>
#include <utility>

namespace qrk::sim {

// Puts `message` into *error (when asked for) and returns false, so a failing
// step reads `return fail(error, "...")`.
inline bool fail(std::string* error, std::string message) {
  if (error) *error = std::move(message);
  return false;
}

// The system's words for the last failed call.
inline std::string reason() { return std::strerror(errno); }

}  // namespace qrk::sim

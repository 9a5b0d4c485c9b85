#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace qrk {

// Uppercase hexadecimal, zero-padded to `digits`, as addresses and bytes
// appear in the operations' reports. A negative value keeps its sign.
inline std::string hexText(std::int64_t value, int digits) {
  char text[24];
  std::snprintf(text, sizeof text, "%s%0*llX", value < 0 ? "-" : "", digits,
                static_cast<unsigned long long>(value < 0 ? -value : value));
  return text;
}

}  // namespace qrk

#pragma once

#include <cstddef>
#include <cstdint>

namespace qrk::sim {

// The wire of an 8N1 line at the bootloader's fixed rate: start bit, eight
// data bits and a stop bit per byte.
inline constexpr std::int64_t kLineBaud = 115200;
inline constexpr std::int64_t kBitsPerByte = 10;

// Instant at which the byte with `index` (0-based) of a back-to-back transfer
// that starts at `startUs` has completely left the wire. Computed from the
// start each time (rounded up), so long transfers accumulate no rounding drift.
inline std::int64_t byteDoneUs(std::int64_t startUs, std::size_t index) {
  const std::int64_t bits = static_cast<std::int64_t>(index + 1) * kBitsPerByte;
  return startUs + (bits * 1'000'000 + kLineBaud - 1) / kLineBaud;
}

// Time `count` back-to-back bytes occupy the wire.
inline std::int64_t wireTimeUs(std::size_t count) {
  return count == 0 ? 0 : byteDoneUs(0, count - 1);
}

}  // namespace qrk::sim

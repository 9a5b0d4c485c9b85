#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

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

// Hands each byte the programmer sent to `take` with the instant it has
// arrived: back to back from when the line is free (`lineFreeUs`, moved past
// them) at the line's pace when `atLinePace`, else all at `nowUs`.
template <typename Take>
void receiveAtLinePace(std::span<const std::uint8_t> bytes, std::int64_t nowUs, bool atLinePace,
                       std::int64_t& lineFreeUs, Take&& take) {
  const std::int64_t lineStart = std::max(nowUs, lineFreeUs);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const std::int64_t arrivedUs = atLinePace ? byteDoneUs(lineStart, i) : nowUs;
    lineFreeUs = std::max(lineFreeUs, arrivedUs);
    take(bytes[i], arrivedUs);
  }
}

}  // namespace qrk::sim

#pragma once

#include <cstdint>
#include <optional>

#include "image/image_buffer.h"
#include "image/memory_map.h"

namespace qrk {

// The highest address from `from` down to `downTo` whose byte differs from
// `fill`; nothing when `from` < `downTo`. Both ends are clipped to the image.
std::optional<std::int32_t> lastDifferent(const ImageBuffer& image, std::int32_t from,
                                          std::int32_t downTo, std::uint8_t fill);

// Sets `low` .. `high` (clipped to the image) to `fill`.
void fillBetween(ImageBuffer& image, std::int32_t low, std::int32_t high, std::uint8_t fill);

// An ISP area of a dozen bytes or more counts as one that can hold a program.
inline bool hasIspArea(const MemoryLimits& limits) {
  return static_cast<std::int64_t>(limits.ispEnd) - limits.ispStart >= 11;
}

}  // namespace qrk

#pragma once

#include <cstdint>
#include <optional>

#include "device/mcu_model.h"
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

struct AddressSpan {
  std::int32_t first = 0;
  std::int32_t last = -1;  // below `first` when the span is empty
};

// The areas above the AP end that a loaded file may reach, as the model's map
// lays them out. The HEX and BIN readers differ in how they find a file's
// data there, not in where the areas lie or what each one means.
struct UpperAreas {
  // Kinds 0 and 1: no flash lies between the AP end and the upper block, so
  // a file's bytes there are wiped and the file is over the valid scope.
  std::optional<AddressSpan> gap;
  // Kind 2: the Data Memory between the AP end and the ISP area.
  std::optional<AddressSpan> dataMemory;
  // The ISP area (Block1 on kinds 0 and 1) up to the top address; on kind 2
  // only where it can hold a program.
  std::optional<AddressSpan> isp;
};
UpperAreas upperAreas(const SelectedModel& model, const MemoryLimits& limits);

}  // namespace qrk

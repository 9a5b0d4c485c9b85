#include "image/region_scan.h"

#include <algorithm>

namespace qrk {

std::optional<std::int32_t> lastDifferent(const ImageBuffer& image, std::int32_t from,
                                          std::int32_t downTo, std::uint8_t fill) {
  const std::int32_t top = std::min(from, ImageBuffer::kLastIndex);
  const std::int32_t bottom = std::max(downTo, 0);
  const auto& bytes = image.bytes();
  for (std::int32_t address = top; address >= bottom; --address) {
    if (bytes[static_cast<std::size_t>(address)] != fill) return address;
  }
  return std::nullopt;
}

void fillBetween(ImageBuffer& image, std::int32_t low, std::int32_t high, std::uint8_t fill) {
  const std::int32_t top = std::min(high, ImageBuffer::kLastIndex);
  for (std::int32_t address = std::max(low, 0); address <= top; ++address) {
    image.set(address, fill);
  }
}

}  // namespace qrk

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

UpperAreas upperAreas(const SelectedModel& model, const MemoryLimits& limits) {
  UpperAreas areas;
  if (model.apUpToIsp) {
    areas.isp = AddressSpan{limits.ispStart, model.topAddress};
  } else if (model.mapKind == MapKind::FixedIspBlock || model.mapKind == MapKind::TopOf64k) {
    areas.gap = AddressSpan{limits.apEnd + 1, model.block1Start - 1};
    areas.isp = AddressSpan{model.block1Start, model.topAddress};
  } else {
    areas.dataMemory = AddressSpan{limits.apEnd + 1, limits.ispStart - 1};
    if (hasIspArea(limits)) areas.isp = AddressSpan{limits.ispStart, model.topAddress};
  }
  return areas;
}

}  // namespace qrk

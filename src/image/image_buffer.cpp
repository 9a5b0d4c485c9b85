#include "image/image_buffer.h"

#include <algorithm>
#include <cstring>

namespace qrk {

void ImageBuffer::fill(std::uint8_t value) {
  bytes_.fill(value);
  holdsDemoImage = false;
}

void ImageBuffer::reset(std::uint8_t value) {
  fill(value);
  fileLoaded = false;
  rangeLow = 0;
  rangeHigh = 1023;
}

bool ImageBuffer::store(std::int32_t address, std::span<const std::uint8_t> data) {
  if (data.empty()) return contains(address);
  const auto count = static_cast<std::int64_t>(data.size());
  if (!contains(address) || address + count - 1 > kLastIndex) return false;
  std::memcpy(bytes_.data() + address, data.data(), data.size());
  return true;
}

void ImageBuffer::mergeRange(std::optional<Field> field) {
  rangeLow = std::min(rangeLow, fileStart);
  rangeHigh = std::max(rangeHigh, fileEnd);
  if (field) {
    rangeHigh = std::max(rangeHigh, field->address);
    // The field's first byte is A - N + 1; never let the range start below 0.
    const std::int32_t first = std::max<std::int32_t>(0, field->address - field->length + 1);
    rangeLow = std::min(rangeLow, first);
  }
}

}  // namespace qrk

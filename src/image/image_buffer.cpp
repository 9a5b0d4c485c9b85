#include "image/image_buffer.h"

#include <algorithm>

namespace qrk {

void ImageBuffer::fill(std::uint8_t value) {
  bytes_.fill(value);
  holdsDemoImage = false;
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

#include "offline/board_image.h"

#include <algorithm>

namespace qrk {

namespace {

// first..last cut to 0..size-1; empty (first > last) when nothing is left.
std::pair<std::int32_t, std::int32_t> clamp(std::int32_t first, std::int32_t last) {
  return {std::max(first, 0), std::min(last, board::kMemorySize - 1)};
}

}  // namespace

std::span<const std::uint8_t> BoardImage::range(std::int32_t first, std::int32_t last) const {
  const auto [from, to] = clamp(first, last);
  if (from > to) return {};
  return std::span<const std::uint8_t>(bytes_).subspan(static_cast<std::size_t>(from),
                                                       static_cast<std::size_t>(to - from + 1));
}

std::span<std::uint8_t> BoardImage::range(std::int32_t first, std::int32_t last) {
  const auto [from, to] = clamp(first, last);
  if (from > to) return {};
  return std::span<std::uint8_t>(bytes_).subspan(static_cast<std::size_t>(from),
                                                 static_cast<std::size_t>(to - from + 1));
}

void BoardImage::clearSentAreas() {
  std::ranges::fill(range(board::kLowerAreaFirst, board::kUpperAreaLast), std::uint8_t{0x00});
}

void BoardImage::copyFromImage(const ImageBuffer& image, std::int32_t imageFirst,
                               std::int32_t boardFirst, std::int32_t count) {
  for (std::int32_t i = 0; i < count; ++i) {
    const std::int32_t from = imageFirst + i;
    const std::int32_t to = boardFirst + i;
    if (ImageBuffer::contains(from) && contains(to)) set(to, image.at(from));
  }
}

}  // namespace qrk

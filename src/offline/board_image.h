#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "image/image_buffer.h"

namespace qrk {

// Where things lie in the offline board's 64 KB memory. Only 0x2000..0xF3FF
// is ever filled or sent.
namespace board {
inline constexpr std::int32_t kMemorySize = 0x10000;
inline constexpr std::int32_t kLowerAreaFirst = 0x2000;
inline constexpr std::int32_t kLowerAreaLast = 0x3FFF;
inline constexpr std::int32_t kUpperAreaFirst = 0x4000;
inline constexpr std::int32_t kUpperAreaLast = 0xF3FF;
inline constexpr std::int32_t kHeaderAddress = 0xEC00;
inline constexpr std::int32_t kHeaderSize = 0x100;
inline constexpr std::int32_t kLimitHighField = 0xED00;
inline constexpr std::int32_t kLimitLowField = 0xEE00;
inline constexpr std::int32_t kLimitFieldSize = 0x100;
inline constexpr std::int32_t kCrcTableAddress = 0xF000;
// Image bytes the board's copies can hold at most, ISP code included: 52 KB.
inline constexpr std::int32_t kImageCopyEnd = 0xCC00;
}  // namespace board

// The picture of the board's memory that a download sends, index = board
// address. Bytes never set are 0x00.
class BoardImage {
 public:
  std::uint8_t at(std::int32_t address) const {
    return contains(address) ? bytes_[static_cast<std::size_t>(address)] : 0x00;
  }
  // Stores the byte; addresses outside the board are ignored.
  void set(std::int32_t address, std::uint8_t value) {
    if (contains(address)) bytes_[static_cast<std::size_t>(address)] = value;
  }
  // Board addresses first..last (inclusive), cut to the board's memory.
  std::span<const std::uint8_t> range(std::int32_t first, std::int32_t last) const;
  std::span<std::uint8_t> range(std::int32_t first, std::int32_t last);
  const std::array<std::uint8_t, board::kMemorySize>& bytes() const { return bytes_; }

  // Every byte of 0x2000..0xF3FF becomes 0x00: a download starts from scratch.
  void clearSentAreas();
  // Copies `count` image bytes from `imageFirst` to `boardFirst`; the part of
  // the copy that would fall outside the image or the board is not made.
  void copyFromImage(const ImageBuffer& image, std::int32_t imageFirst, std::int32_t boardFirst,
                     std::int32_t count);

  static bool contains(std::int32_t address) {
    return address >= 0 && address < board::kMemorySize;
  }

 private:
  std::array<std::uint8_t, board::kMemorySize> bytes_{};
};

}  // namespace qrk

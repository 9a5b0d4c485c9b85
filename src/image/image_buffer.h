#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace qrk {

// The value of every byte no file supplies ("Unused Bytes(in file range):"):
// 0x00 until the user chooses, stored under "fillbyte" as "00" or "FF".
inline constexpr std::uint8_t kDefaultFillByte = 0x00;
inline constexpr std::string_view kDefaultFillByteSetting = "00";
// The stored choice: "00" is 0x00, any other text 0xFF.
constexpr std::uint8_t fillByteFromSetting(std::string_view stored) {
  return stored == kDefaultFillByteSetting ? std::uint8_t{0x00} : std::uint8_t{0xFF};
}

// The image of the target's code space: one byte per address 0 .. 0x12400,
// room for the largest model (its upper block ends at 0x11FFF).
class ImageBuffer {
 public:
  static constexpr std::int32_t kLastIndex = 0x12400;
  static constexpr std::int32_t kSize = kLastIndex + 1;
  // rangeLow / fileStart after a clear: above any address, so min() takes the first file's.
  static constexpr std::int32_t kClearedLow = 0x10FFFF;

  // The serial-number field, when armed: A is the address of its low-order
  // (last) byte, N its width; it occupies A - N + 1 .. A.
  struct Field {
    std::int32_t address;
    std::int32_t length;
  };

  ImageBuffer() { fill(0x00); }

  // Every byte becomes `value`; the image no longer holds the ISP DEMO firmware.
  void fill(std::uint8_t value);

  // Back to the start-up state with every byte `value`: nothing loaded, the
  // first kilobyte as the range of interest.
  void reset(std::uint8_t value);

  static bool contains(std::int32_t address) { return address >= 0 && address <= kLastIndex; }
  // Out-of-range reads give `outside`; the image is never indexed outside itself.
  std::uint8_t at(std::int32_t address, std::uint8_t outside = 0xFF) const {
    return contains(address) ? bytes_[static_cast<std::size_t>(address)] : outside;
  }
  // Stores the byte; false (and nothing written) outside the image.
  bool set(std::int32_t address, std::uint8_t value) {
    if (!contains(address)) return false;
    bytes_[static_cast<std::size_t>(address)] = value;
    return true;
  }
  // Stores a run of bytes from `address` on; false (and nothing written) unless all
  // of it lies in the image. The loaders' fast path.
  bool store(std::int32_t address, std::span<const std::uint8_t> data);
  const std::array<std::uint8_t, kSize>& bytes() const { return bytes_; }

  // Widens the range of interest to the last file and to the armed field.
  void mergeRange(std::optional<Field> field);

  bool fileLoaded = false;
  std::int32_t rangeLow = 0;
  std::int32_t rangeHigh = 1023;
  std::int32_t fileStart = kClearedLow;
  std::int32_t fileEnd = 0;
  bool holdsDemoImage = false;
  std::string filePath;

 private:
  std::array<std::uint8_t, kSize> bytes_{};
};

}  // namespace qrk

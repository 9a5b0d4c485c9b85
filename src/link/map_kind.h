#pragma once

#include <cstdint>

namespace qrk {

// A model's memory-map and protocol family: where its ISP area lies, the
// layout of its option bytes, whether its bootloader reports an ID and whether
// it has the offline board and the ISP DEMO. Its number travels as the family
// byte of every short frame and is what the command line shows.
enum class MapKind : std::uint8_t {
  // A fixed 8 K ISP block above the AP area; the bootloader reports no ID.
  FixedIspBlock = 0,
  // An ISP area of selectable size, 0 to 8 K, at the top of 64 K.
  TopOf64k = 1,
  // An ISP area of 0, 1, 2 or 4 K at the top of the model's own space, an ID
  // per model, the offline board and the ISP DEMO.
  TopOfModel = 2,
};

constexpr std::uint8_t familyByte(MapKind kind) { return static_cast<std::uint8_t>(kind); }

}  // namespace qrk

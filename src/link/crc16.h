#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace qrk {

// CRC-16/MODBUS (reflected 0xA001, initial 0xFFFF, no final XOR) over
// bytes[start .. start+count-1]. Returns the two bytes in transmission order:
// low byte of the CRC first. A range past the end of `bytes` is cut at its end.
std::array<std::uint8_t, 2> crc16(std::span<const std::uint8_t> bytes, std::size_t start,
                                  std::size_t count);

}  // namespace qrk

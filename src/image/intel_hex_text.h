#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace qrk {

// One Intel HEX record line: ":", the byte count, the address, the record
// type, `bytes` and the checksum; no line end.
std::string intelHexRecord(std::uint8_t type, std::uint16_t address,
                           std::span<const std::uint8_t> bytes);

// Intel HEX text of `bytes` placed from `address` on: data records of 16
// bytes, then the end record; CR LF line ends, as the window's own files have
// them. The bytes must end at or below 0xFFFF (no extended address records).
std::string intelHexText(std::uint16_t address, std::span<const std::uint8_t> bytes);

}  // namespace qrk

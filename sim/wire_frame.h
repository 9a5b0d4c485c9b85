#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <vector>

#include "link/frame.h"

// The simulated chip's own coding of the line, kept apart from the programmer's
// link code on purpose: a frame-layout or checksum slip made the same way on
// both sides would otherwise pass every end-to-end test unnoticed. Only the
// byte values of the protocol (start and end bytes, command codes) are the
// link's own, in link/frame.h.
//
//   request  [46 B9] 6A LEN(2) CMD params CHECK 16
//   reply            68 LEN(2) CODE data  CHECK 16
//
// LEN counts from the direction byte through the end byte; numbers are
// big-endian. CHECK is the 8-bit sum of every byte before it, or, in CRC mode
// (the offline board), two CRC-16/MODBUS bytes, low byte first.
namespace qrk::sim::wire {

enum class Check { Sum, Crc };

// Bytes of a frame that are not payload: direction, LEN(2), code, check, end.
constexpr std::size_t overhead(Check check) { return check == Check::Crc ? 7 : 6; }

std::uint8_t sum8(std::span<const std::uint8_t> bytes);

// CRC-16/MODBUS (reflected polynomial 0xA001, start 0xFFFF, no final XOR),
// in the order the bytes travel: low byte, then high byte.
std::array<std::uint8_t, 2> crc16Modbus(std::span<const std::uint8_t> bytes);

std::uint32_t getBigEndian(std::span<const std::uint8_t> bytes, std::size_t at, int width);

// 68 LEN code data check 16.
std::vector<std::uint8_t> encodeReply(std::uint8_t code, std::span<const std::uint8_t> data,
                                      Check check = Check::Sum);
inline std::vector<std::uint8_t> encodeReply(std::uint8_t code,
                                             std::initializer_list<std::uint8_t> data,
                                             Check check = Check::Sum) {
  return encodeReply(code, std::span<const std::uint8_t>(data.begin(), data.size()), check);
}

// Whether `frame` (one whole frame from its direction byte, the preamble
// already cut off) declares its own size, ends in 16 and carries the right
// check. Byte 0 is not judged, so a reply and a request are judged alike.
bool frameIsSound(std::span<const std::uint8_t> frame, Check check = Check::Sum);

}  // namespace qrk::sim::wire

#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <vector>

namespace qrk {

// Bytes and codes of the bootloader's frames. A request is [46 B9] 6A LEN(2)
// CMD params CHECK 16, a reply 68 LEN(2) CODE data CHECK 16; LEN counts from
// the direction byte through the end byte. CHECK is an 8-bit sum, or two
// CRC-16/MODBUS bytes while the offline board is served.
namespace frame {
inline constexpr std::uint8_t kPreamble0 = 0x46;
inline constexpr std::uint8_t kPreamble1 = 0xB9;
inline constexpr std::uint8_t kRequestStart = 0x6A;
inline constexpr std::uint8_t kReplyStart = 0x68;
inline constexpr std::uint8_t kEnd = 0x16;
// Largest frame the receive buffer holds.
inline constexpr std::size_t kMaxReplyLength = 531;
// Smallest meaningful frame: start, LEN(2), code, check, end; a CRC check
// is two bytes, a sum one.
constexpr std::size_t minLength(bool crc) { return crc ? 7 : 6; }
}  // namespace frame

// Command codes, PC to target.
namespace cmd {
inline constexpr std::uint8_t kRead = 0x00;
inline constexpr std::uint8_t kReadOption = 0x01;
inline constexpr std::uint8_t kData = 0x03;
inline constexpr std::uint8_t kDataRestart = 0x04;
inline constexpr std::uint8_t kWriteOption = 0x05;
inline constexpr std::uint8_t kErase = 0x08;
inline constexpr std::uint8_t kBlankCheck = 0x09;
inline constexpr std::uint8_t kReadId = 0x0A;
inline constexpr std::uint8_t kVersion = 0x0C;
inline constexpr std::uint8_t kPageSums = 0x0D;
inline constexpr std::uint8_t kBoardCapacity = 0x0E;
inline constexpr std::uint8_t kHandshake = 0x80;
inline constexpr std::uint8_t kStop = 0x82;
inline constexpr std::uint8_t kBoardErase = 0x84;
inline constexpr std::uint8_t kBoardFinish = 0x86;
// The board's data frame: its first sending, and a group sent again.
inline constexpr std::uint8_t kBoardDataFirst = 0x00;
inline constexpr std::uint8_t kBoardData = 0x30;
}  // namespace cmd

// Reply code of a data acknowledgement.
inline constexpr std::uint8_t kAckCode = 0x80;

// Appends the low `width` bytes of `value`, high byte first: every number in a
// frame is big-endian.
inline void appendBigEndian(std::vector<std::uint8_t>& out, std::uint32_t value, int width) {
  for (int shift = 8 * (width - 1); shift >= 0; shift -= 8) {
    out.push_back(static_cast<std::uint8_t>(value >> shift));
  }
}

// A number among a request's parameters: `width` bytes, high byte first.
struct BigEndianField {
  std::uint32_t value;
  int width;
};

// The parameters of a request made of numbers only (an address, a count...).
inline std::vector<std::uint8_t> bigEndianFields(std::initializer_list<BigEndianField> fields) {
  std::vector<std::uint8_t> out;
  for (const BigEndianField& field : fields) appendBigEndian(out, field.value, field.width);
  return out;
}

// Sum of bytes[first..last] (inclusive) modulo 256; indexes past the end are
// not summed.
std::uint8_t frameCheckSum(std::span<const std::uint8_t> bytes, std::size_t first,
                           std::size_t last);

// A request frame: 6A LEN command params check 16, with the 46 B9 preamble
// when `preamble` is set, and a CRC instead of the sum when `crc` is set.
std::vector<std::uint8_t> buildRequest(std::uint8_t command, std::span<const std::uint8_t> params,
                                       bool crc = false, bool preamble = false);

inline std::vector<std::uint8_t> buildRequest(std::uint8_t command,
                                              std::initializer_list<std::uint8_t> params,
                                              bool crc = false, bool preamble = false) {
  return buildRequest(command, std::span<const std::uint8_t>(params.begin(), params.size()), crc,
                      preamble);
}

// The short command frame: 46 B9 6A 00 08|09 command mapKind parameter check 16.
std::vector<std::uint8_t> buildShortCommand(std::uint8_t command, std::uint8_t mapKind,
                                            std::uint8_t parameter, bool crc);

enum class FrameCheck { Good, BadCheck, BadEnd };

// Judges a complete reply frame of `frameBytes.size()` == LEN bytes: the end
// byte first, then the sum or the CRC.
FrameCheck validateReply(std::span<const std::uint8_t> frameBytes, bool crc);

}  // namespace qrk

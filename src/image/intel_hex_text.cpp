#include "image/intel_hex_text.h"

#include <algorithm>

namespace qrk {

std::string intelHexRecord(std::uint8_t type, std::uint16_t address,
                           std::span<const std::uint8_t> bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string line = ":";
  line.reserve(11 + 2 * bytes.size());
  unsigned sum = 0;
  const auto put = [&](std::uint8_t b) {
    line += kDigits[b >> 4];
    line += kDigits[b & 0xF];
    sum += b;
  };
  put(static_cast<std::uint8_t>(bytes.size()));
  put(static_cast<std::uint8_t>(address >> 8));
  put(static_cast<std::uint8_t>(address));
  put(type);
  for (const std::uint8_t b : bytes) put(b);
  put(static_cast<std::uint8_t>(0x100 - (sum & 0xFF)));
  return line;
}

std::string intelHexText(std::uint16_t address, std::span<const std::uint8_t> bytes) {
  constexpr std::size_t kRecordBytes = 16;
  std::string text;
  for (std::size_t at = 0; at < bytes.size(); at += kRecordBytes) {
    const std::size_t count = std::min(kRecordBytes, bytes.size() - at);
    text +=
        intelHexRecord(0x00, static_cast<std::uint16_t>(address + at), bytes.subspan(at, count));
    text += "\r\n";
  }
  return text + intelHexRecord(0x01, 0, {}) + "\r\n";
}

}  // namespace qrk

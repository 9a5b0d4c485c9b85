#include "ispdemo/intel_hex_text.h"

#include <algorithm>
#include <cstdio>

namespace qrk {

std::string intelHexText(std::uint16_t address, std::span<const std::uint8_t> bytes) {
  constexpr std::size_t kRecordBytes = 16;
  std::string text;
  for (std::size_t at = 0; at < bytes.size(); at += kRecordBytes) {
    const std::size_t count = std::min(kRecordBytes, bytes.size() - at);
    const unsigned recordAddress = (address + at) & 0xFFFF;
    unsigned sum = static_cast<unsigned>(count) + (recordAddress >> 8) + (recordAddress & 0xFF);
    char field[16];
    std::snprintf(field, sizeof field, ":%02X%04X00", static_cast<unsigned>(count), recordAddress);
    text += field;
    for (std::size_t i = 0; i < count; ++i) {
      std::snprintf(field, sizeof field, "%02X", bytes[at + i]);
      text += field;
      sum += bytes[at + i];
    }
    std::snprintf(field, sizeof field, "%02X\r\n", (0x100 - (sum & 0xFF)) & 0xFF);
    text += field;
  }
  return text + ":00000001FF\r\n";
}

}  // namespace qrk

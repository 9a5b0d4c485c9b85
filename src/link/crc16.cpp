#include "link/crc16.h"

namespace qrk {

namespace {

// The two byte tables of the Modbus algorithm, derived once at compile time
// from the reflected polynomial: kHigh starts 00 C1 81 40, kLow 00 C0 C1 01.
struct CrcTables {
  std::array<std::uint8_t, 256> high{};
  std::array<std::uint8_t, 256> low{};
};

constexpr CrcTables makeTables() {
  CrcTables t;
  for (unsigned i = 0; i < 256; ++i) {
    unsigned crc = i;
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 1U) ? (crc >> 1) ^ 0xA001U : crc >> 1;
    // Table-driven Modbus keeps the two halves of crc(i) swapped.
    t.high[i] = static_cast<std::uint8_t>(crc & 0xFFU);
    t.low[i] = static_cast<std::uint8_t>(crc >> 8);
  }
  return t;
}

constexpr CrcTables kTables = makeTables();
static_assert(kTables.high[1] == 0xC1 && kTables.high[2] == 0x81 && kTables.high[3] == 0x40);
static_assert(kTables.low[1] == 0xC0 && kTables.low[2] == 0xC1 && kTables.low[3] == 0x01);

}  // namespace

std::array<std::uint8_t, 2> crc16(std::span<const std::uint8_t> bytes, std::size_t start,
                                  std::size_t count) {
  std::uint8_t hi = 0xFF;
  std::uint8_t lo = 0xFF;
  for (std::size_t i = start; i < start + count && i < bytes.size(); ++i) {
    const std::uint8_t index = hi ^ bytes[i];
    hi = lo ^ kTables.high[index];
    lo = kTables.low[index];
  }
  return {hi, lo};
}

}  // namespace qrk

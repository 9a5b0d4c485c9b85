#include "sim/wire_frame.h"

namespace qrk::sim::wire {

std::uint8_t sum8(std::span<const std::uint8_t> bytes) {
  std::uint8_t sum = 0;
  for (std::uint8_t b : bytes) sum = static_cast<std::uint8_t>(sum + b);
  return sum;
}

// Bit by bit rather than by table: slower, but it shares nothing with the
// programmer's table-driven routine beyond the polynomial.
std::array<std::uint8_t, 2> crc16Modbus(std::span<const std::uint8_t> bytes) {
  std::uint16_t crc = 0xFFFF;
  for (std::uint8_t b : bytes) {
    crc ^= b;
    for (int bit = 0; bit < 8; ++bit) {
      crc = (crc & 1U) != 0 ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001U)
                            : static_cast<std::uint16_t>(crc >> 1);
    }
  }
  return {static_cast<std::uint8_t>(crc & 0xFF), static_cast<std::uint8_t>(crc >> 8)};
}

std::uint32_t getBigEndian(std::span<const std::uint8_t> bytes, std::size_t at, int width) {
  std::uint32_t value = 0;
  for (int i = 0; i < width; ++i) value = value << 8 | bytes[at + static_cast<std::size_t>(i)];
  return value;
}

std::vector<std::uint8_t> encodeReply(std::uint8_t code, std::span<const std::uint8_t> data,
                                      Check check) {
  const std::size_t length = data.size() + overhead(check);
  std::vector<std::uint8_t> out{qrk::frame::kReplyStart};
  out.reserve(length);
  appendBigEndian(out, static_cast<std::uint32_t>(length), 2);
  out.push_back(code);
  out.insert(out.end(), data.begin(), data.end());
  if (check == Check::Crc) {
    const auto crc = crc16Modbus(out);
    out.insert(out.end(), crc.begin(), crc.end());
  } else {
    out.push_back(sum8(out));
  }
  out.push_back(qrk::frame::kEnd);
  return out;
}

bool frameIsSound(std::span<const std::uint8_t> frame, Check check) {
  const std::size_t size = frame.size();
  if (size < overhead(check) || getBigEndian(frame, 1, 2) != size ||
      frame[size - 1] != qrk::frame::kEnd) {
    return false;
  }
  if (check == Check::Crc) {
    const auto crc = crc16Modbus(frame.first(size - 3));
    return frame[size - 3] == crc[0] && frame[size - 2] == crc[1];
  }
  return sum8(frame.first(size - 2)) == frame[size - 2];
}

}  // namespace qrk::sim::wire

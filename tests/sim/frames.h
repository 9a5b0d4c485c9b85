#pragma once

#include <cstdint>
#include <numeric>
#include <vector>

#include "link/frame.h"
#include "sim/qrk_device.h"

// Requests as the programmer builds them, and the device's output cut back
// into frames, for the simulator's tests.
namespace qrk::sim::test {

using Bytes = std::vector<std::uint8_t>;

inline Bytes shortCommand(std::uint8_t command, std::uint8_t parameter = 0) {
  return buildShortCommand(command, 2, parameter, false);
}

inline Bytes readRequest(std::uint32_t address, std::uint16_t count) {
  const Bytes params{
      static_cast<std::uint8_t>(address >> 24), static_cast<std::uint8_t>(address >> 16),
      static_cast<std::uint8_t>(address >> 8),  static_cast<std::uint8_t>(address),
      static_cast<std::uint8_t>(count >> 8),    static_cast<std::uint8_t>(count)};
  return buildRequest(cmd::kRead, params);
}

inline Bytes pageSumRequest(std::uint32_t first, std::uint32_t last) {
  Bytes params;
  for (std::uint32_t v : {first, last}) {
    for (int shift = 24; shift >= 0; shift -= 8)
      params.push_back(static_cast<std::uint8_t>(v >> shift));
  }
  return buildRequest(cmd::kPageSums, params);
}

inline Bytes dataFrame(std::uint8_t command, std::uint16_t address, const Bytes& data) {
  Bytes params{0x00,
               0x00,
               static_cast<std::uint8_t>(address >> 8),
               static_cast<std::uint8_t>(address),
               static_cast<std::uint8_t>(data.size() >> 8),
               static_cast<std::uint8_t>(data.size())};
  params.insert(params.end(), data.begin(), data.end());
  return buildRequest(command, params);
}

inline Bytes writeOptionRequest(std::uint8_t b1, std::uint8_t b2) {
  const Bytes params{b1, b2};
  return buildRequest(cmd::kWriteOption, params);
}

inline Bytes reply(std::uint8_t code, const Bytes& data = {}) { return buildReply(code, data); }

inline Bytes joined(const std::vector<TimedChunk>& chunks) {
  Bytes out;
  for (const TimedChunk& c : chunks) out.insert(out.end(), c.bytes.begin(), c.bytes.end());
  return out;
}

// Cuts a stream of well-formed reply frames at their declared lengths.
inline std::vector<Bytes> frames(const Bytes& stream) {
  std::vector<Bytes> out;
  std::size_t at = 0;
  while (at + 3 <= stream.size()) {
    const std::size_t length = static_cast<std::size_t>(stream[at + 1]) << 8 | stream[at + 2];
    if (length == 0 || at + length > stream.size()) break;
    out.emplace_back(stream.begin() + static_cast<std::ptrdiff_t>(at),
                     stream.begin() + static_cast<std::ptrdiff_t>(at + length));
    at += length;
  }
  return out;
}

inline Bytes counting(std::size_t count, std::uint8_t first = 0) {
  Bytes out(count);
  std::iota(out.begin(), out.end(), first);
  return out;
}

}  // namespace qrk::sim::test

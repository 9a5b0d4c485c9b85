#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace qrk::sim {

// Bytes a device puts on the line at one instant.
struct TimedChunk {
  std::int64_t atUs = 0;
  std::vector<std::uint8_t> bytes;
};

// Whatever answers at the far end of the simulated line: a chip's bootloader
// or the offline board. receive() takes what the programmer wrote at `nowUs`
// and returns the device's output in order of instant, never before nowUs;
// bytes due at one instant form one chunk.
class LineDevice {
 public:
  virtual ~LineDevice() = default;
  virtual std::vector<TimedChunk> receive(std::span<const std::uint8_t> bytes,
                                          std::int64_t nowUs) = 0;
  // The fixture switched the device's supply at `nowUs`. A device that does
  // not model its supply ignores it.
  virtual void switchSupply(bool /*on*/, std::int64_t /*nowUs*/) {}
};

}  // namespace qrk::sim

#pragma once

#include <cstdint>
#include <vector>

#include "sim/wire_frame.h"

namespace qrk {

// A reply frame as the simulated chip encodes it: tests feed the programmer
// what a chip would send, never what the programmer's own coding expects.
inline std::vector<std::uint8_t> buildReply(std::uint8_t code,
                                            const std::vector<std::uint8_t>& data,
                                            bool crc = false) {
  return sim::wire::encodeReply(code, data, crc ? sim::wire::Check::Crc : sim::wire::Check::Sum);
}

}  // namespace qrk

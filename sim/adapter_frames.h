#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>

#include "sim/line_device.h"

namespace qrk::sim {

// How a USB serial adapter hands what it receives from the chip to the host:
// in bursts, at most one per 1 ms bus frame, and at once when the line falls
// silent. Bytes batched this way never reach the host before their wire time,
// and the last byte of a reply reaches it exactly at its own, so batching costs
// a programmer no time; it spares it one wake-up per byte on a long reply.
inline constexpr std::int64_t kAdapterFrameUs = 1'000;
// A gap longer than one byte's time on the wire ends a burst.
inline constexpr std::int64_t kAdapterIdleUs = 100;

struct AdapterRelease {
  std::int64_t atUs = 0;   // when the burst goes to the host
  std::size_t chunks = 0;  // how many chunks at the front of the queue it takes
};

// The next burst out of `due` (not empty, in order of instant): the front
// chunk and those following it without a gap, up to one frame after the front.
inline AdapterRelease nextAdapterRelease(const std::deque<TimedChunk>& due) {
  AdapterRelease release{due.front().atUs, 1};
  const std::int64_t frameEndUs = due.front().atUs + kAdapterFrameUs;
  while (release.chunks < due.size()) {
    const std::int64_t atUs = due[release.chunks].atUs;
    if (atUs - release.atUs > kAdapterIdleUs || atUs > frameEndUs) break;
    release.atUs = atUs;
    ++release.chunks;
  }
  return release;
}

}  // namespace qrk::sim

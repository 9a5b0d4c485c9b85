#pragma once

#include <cstdint>
#include <vector>

#include "sim/fault.h"
#include "sim/line_device.h"

namespace qrk::sim {

struct DeviceOptions;

// Which of a device's faults hit one reply.
class FaultHits {
 public:
  FaultHits() = default;
  FaultHits(const std::vector<Fault>& faults, std::vector<bool> hits)
      : faults_(&faults), hits_(std::move(hits)) {}
  bool has(FaultKind kind) const;

 private:
  const std::vector<Fault>* faults_ = nullptr;
  std::vector<bool> hits_;
};

// The device's sending side of the line: counts the replies each fault's
// scope sees, damages and paces a finished reply frame as the faults that hit
// it say, and keeps replies from overlapping on the wire.
class ReplyLine {
 public:
  // The faults of `options` that hit the next reply to `command` (`isResult`:
  // the second frame of a blank check).
  FaultHits hits(const DeviceOptions& options, std::uint8_t command, bool isResult);
  // Puts `frame` on the line from `dueUs` on, with the damage and pauses of
  // `hits` (a dropped reply is the caller's to leave out).
  void transmit(const DeviceOptions& options, std::vector<std::uint8_t> frame,
                const FaultHits& hits, std::int64_t dueUs, std::vector<TimedChunk>& out);

 private:
  std::vector<int> counters_;
  std::int64_t txFreeUs_ = 0;  // the device's line is busy until then
};

}  // namespace qrk::sim

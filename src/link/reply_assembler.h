#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "link/frame.h"

namespace qrk {

// Assembles one reply frame from the chunks the port delivers: waits for the
// 0x68 start byte (dropping what comes before it), reads the declared length
// and judges the frame once that many bytes are in. Pure state, no timers: the
// link maps each outcome onto its time-outs.
//
// A declared length outside what a reply can be (below the smallest frame or
// above the 531-byte buffer) abandons the frame at once, so the buffer is never
// overrun. Bytes that follow a complete frame are kept as leftovers instead of
// being lost, so that a second frame sent in the same burst can still be read.
class ReplyAssembler {
 public:
  enum class Outcome {
    Idle,       // nothing to judge (bytes went to the leftovers, or none came)
    NeedMore,   // a frame is incomplete, or garbage came instead of a frame
    Complete,   // a whole frame is in; see check()
    Abandoned,  // the frame was discarded: bad end byte, impossible length
  };

  void setUseCrc(bool useCrc) { useCrc_ = useCrc; }
  // Starts a new frame and forgets any leftovers (a new command was sent).
  void reset();
  // Starts a new frame; leftovers stay for takeLeftovers().
  void startNextFrame();

  Outcome feed(std::span<const std::uint8_t> chunk);

  // Bytes held of the frame being assembled (rxCount).
  std::size_t count() const { return count_; }
  bool complete() const { return complete_; }
  FrameCheck check() const { return check_; }
  // The complete frame: exactly its declared length.
  std::span<const std::uint8_t> frameBytes() const;
  std::vector<std::uint8_t> takeLeftovers();
  bool hasLeftovers() const { return !leftovers_.empty(); }

 private:
  Outcome abandon();

  std::array<std::uint8_t, frame::kMaxReplyLength> buffer_{};
  std::size_t count_ = 0;
  std::size_t length_ = 0;
  bool complete_ = false;
  bool useCrc_ = false;
  FrameCheck check_ = FrameCheck::BadEnd;
  std::vector<std::uint8_t> leftovers_;
};

}  // namespace qrk

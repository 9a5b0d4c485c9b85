#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace qrk::sim {

// A request frame as the bootloader saw it: 6A LEN ... check 16, without the
// preamble, and the instant its last byte arrived.
struct SeenRequest {
  std::vector<std::uint8_t> bytes;
  std::int64_t seenUs = 0;
};

// The bootloader's receiver: cuts request frames out of the byte stream
// however it is chunked. Anything before a 0x6A is skipped, the 46 B9
// preamble included. A frame whose end byte or 8-bit sum is wrong is dropped
// whole (its contents are not searched for another frame), as is a declared
// length that no request can have; a frame left incomplete for longer than
// kStaleAfterUs is dropped when the next byte comes, so a torn frame cannot
// swallow the programmer's next request.
class RequestReader {
 public:
  static constexpr std::size_t kMinLength = 6;  // 6A LEN(2) CMD check 16
  static constexpr std::size_t kMaxLength = 531;
  static constexpr std::int64_t kStaleAfterUs = 20'000;

  // Takes one byte that arrived at `atUs`; returns true when it completed a
  // good frame, which is then in *done.
  bool feed(std::uint8_t byte, std::int64_t atUs, SeenRequest* done);

  // Frames dropped for a bad length, end byte or sum, or left stale.
  int rejectedFrames() const { return rejected_; }

 private:
  void restartAfterBadLength();

  std::vector<std::uint8_t> buffer_;
  std::size_t length_ = 0;
  std::int64_t lastByteUs_ = 0;
  int rejected_ = 0;
};

}  // namespace qrk::sim

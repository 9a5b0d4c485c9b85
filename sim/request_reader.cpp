#include "sim/request_reader.h"

#include "sim/wire_frame.h"

namespace qrk::sim {

bool RequestReader::feed(std::uint8_t byte, std::int64_t atUs, SeenRequest* done) {
  if (!buffer_.empty() && atUs - lastByteUs_ > kStaleAfterUs) {
    ++rejected_;
    buffer_.clear();
    length_ = 0;
  }
  lastByteUs_ = atUs;
  if (buffer_.empty()) {
    if (byte != frame::kRequestStart) return false;
    buffer_.push_back(byte);
    return false;
  }
  buffer_.push_back(byte);
  if (buffer_.size() == 3) {
    length_ = static_cast<std::size_t>(buffer_[1]) << 8 | buffer_[2];
    if (length_ < kMinLength || length_ > kMaxLength) {
      restartAfterBadLength();
      return false;
    }
  }
  if (length_ == 0 || buffer_.size() < length_) return false;

  const bool sound = wire::frameIsSound(buffer_);
  if (sound && done != nullptr) {
    done->bytes = std::move(buffer_);
    done->seenUs = atUs;
  } else {
    ++rejected_;
  }
  buffer_.clear();
  length_ = 0;
  return sound;
}

void RequestReader::restartAfterBadLength() {
  // The 0x6A was not a frame start; a real one may hide in the two bytes
  // taken for its length.
  ++rejected_;
  const std::vector<std::uint8_t> rest(buffer_.begin() + 1, buffer_.end());
  buffer_.clear();
  length_ = 0;
  for (std::uint8_t b : rest) feed(b, lastByteUs_, nullptr);
}

}  // namespace qrk::sim

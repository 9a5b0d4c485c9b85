#include "link/reply_assembler.h"

#include <algorithm>

namespace qrk {

void ReplyAssembler::reset() {
  startNextFrame();
  leftovers_.clear();
}

void ReplyAssembler::startNextFrame() {
  buffer_[0] = 0;
  count_ = 0;
  length_ = 0;
  complete_ = false;
  check_ = FrameCheck::BadEnd;
}

std::span<const std::uint8_t> ReplyAssembler::frameBytes() const {
  if (!complete_) return {};
  return std::span<const std::uint8_t>(buffer_.data(), length_);
}

std::vector<std::uint8_t> ReplyAssembler::takeLeftovers() {
  std::vector<std::uint8_t> out;
  out.swap(leftovers_);
  return out;
}

ReplyAssembler::Outcome ReplyAssembler::abandon() {
  startNextFrame();
  return Outcome::Abandoned;
}

ReplyAssembler::Outcome ReplyAssembler::feed(std::span<const std::uint8_t> chunk) {
  if (complete_) {
    leftovers_.insert(leftovers_.end(), chunk.begin(), chunk.end());
    return Outcome::Idle;
  }
  std::size_t i = 0;
  if (count_ == 0) {
    buffer_[0] = 0;
    while (i < chunk.size() && chunk[i] != frame::kReplyStart) ++i;
    if (i == chunk.size()) return Outcome::NeedMore;  // no frame start: nothing stored
  }
  for (; i < chunk.size(); ++i) {
    if (length_ != 0 && count_ >= length_) break;
    if (count_ >= buffer_.size()) return abandon();
    buffer_[count_++] = chunk[i];
    if (count_ == 3) {
      length_ = static_cast<std::size_t>(buffer_[1]) << 8 | buffer_[2];
      if (length_ < frame::minLength(useCrc_) || length_ > frame::kMaxReplyLength) return abandon();
    }
  }
  if (length_ == 0 || count_ < length_) return Outcome::NeedMore;

  // Whatever followed the frame in this chunk starts the next one.
  leftovers_.assign(chunk.begin() + static_cast<std::ptrdiff_t>(i), chunk.end());
  check_ = validateReply(std::span<const std::uint8_t>(buffer_.data(), length_), useCrc_);
  if (check_ == FrameCheck::BadEnd) {
    leftovers_.clear();
    return abandon();
  }
  complete_ = true;
  return Outcome::Complete;
}

}  // namespace qrk

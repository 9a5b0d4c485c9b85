#include "link/blank_check.h"

#include <cstdio>
#include <string>

#include "link/frame.h"
#include "link/status.h"

namespace qrk {

namespace {

constexpr int kAttempts = 6;
constexpr int kAckSends = 8;
// The bootloader reads the whole flash before it answers.
constexpr int kResultWaitMs = 6000;

bool acknowledged(IspLink& link) {
  for (int send = 0; send < kAckSends && !link.stopRequested(); ++send) {
    link.sendShortCommand(cmd::kBlankCheck, link.replyWaitMs(), 0);
    if (link.waitReply() == WaitOutcome::Ready) return true;
  }
  return false;
}

}  // namespace

std::string notBlankText(const Status& status) {
  char text[32];
  const std::uint32_t address = static_cast<std::uint32_t>(status.address.value_or(0));
  std::snprintf(text, sizeof text, "%02X%02X%02XH = %02X", (address >> 16) & 0xFFU,
                (address >> 8) & 0xFFU, address & 0xFFU, status.actual.value_or(0) & 0xFFU);
  return text;
}

Status blankCheck(IspLink& link, MessagePane& pane) {
  const Status stopped = Status::failure(Reason::Stopped);
  pane.append("Blank checking...");
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    const bool ack = acknowledged(link);
    if (link.stopRequested()) return stopped;
    if (!ack) {
      pane.append("\r\n\r\nBlank_Check is failure!\r\n检查空片失败。");
      return Status::failure(Reason::NoAnswer, "Blank_Check is failure!");
    }
    // The verdict is a second frame; it may already have come in the same
    // burst as the acknowledgement.
    link.expectAnotherFrame(kResultWaitMs);
    const WaitOutcome outcome = link.waitReply();
    link.setTimingDefaults();
    if (link.stopRequested()) return stopped;
    if (outcome != WaitOutcome::Ready) continue;
    const Reply reply = link.takeReply();
    const auto first = reply.at(4);
    if (!first) continue;  // too short to carry a verdict
    if (*first == 0xFF) return Status::success();
    if (!reply.has(7)) continue;
    Status notBlank = Status::failure(Reason::NotBlank);
    notBlank.address =
        static_cast<std::int32_t>(*reply.at(4) << 16 | *reply.at(5) << 8 | *reply.at(6));
    notBlank.expected = 0xFF;
    notBlank.actual = *reply.at(7);
    notBlank.text = notBlankText(notBlank);
    pane.append("\r\n\r\n" + notBlank.text);
    return notBlank;
  }
  if (link.stopRequested()) return stopped;
  pane.append("\r\nBlank check is failure!");
  return Status::failure(Reason::NoAnswer, "Blank check is failure!");
}

}  // namespace qrk

#include "link/blank_check.h"

#include <cstdio>

#include "link/frame.h"
#include "link/status.h"

namespace qrk {

namespace {

bool acknowledged(IspLink& link) {
  for (int send = 0; send < BlankCheckTiming::kAckSends && !link.stopRequested(); ++send) {
    link.sendShortCommand(cmd::kBlankCheck, link.replyWaitMs(), 0);
    if (link.waitReply() == WaitOutcome::Ready) return true;
  }
  return false;
}

}  // namespace

int blankCheck(IspLink& link, MessagePane& pane) {
  pane.append("Blank checking...");
  for (int attempt = 0; attempt < BlankCheckTiming::kAttempts; ++attempt) {
    const bool ack = acknowledged(link);
    if (link.stopRequested()) return kOpFailed;
    if (!ack) {
      pane.append("\r\n\r\nBlank_Check is failure!\r\n检查空片失败。");
      return kOpFailed;
    }
    // The verdict is a second frame; it may already have come in the same
    // burst as the acknowledgement.
    link.expectAnotherFrame(BlankCheckTiming::kResultWaitMs);
    const WaitOutcome outcome = link.waitReply();
    link.setTimingDefaults();
    if (link.stopRequested()) return kOpFailed;
    if (outcome != WaitOutcome::Ready) continue;
    const Reply reply = link.takeReply();
    const auto first = reply.at(4);
    if (!first) continue;  // too short to carry a verdict
    if (*first == 0xFF) return kOpOk;
    if (!reply.has(7)) continue;
    char text[32];
    std::snprintf(text, sizeof text, "%02X%02X%02XH = %02X", static_cast<unsigned>(*reply.at(4)),
                  static_cast<unsigned>(*reply.at(5)), static_cast<unsigned>(*reply.at(6)),
                  static_cast<unsigned>(*reply.at(7)));
    pane.append(std::string("\r\n\r\n") + text);
    return kOpMismatch;
  }
  if (!link.stopRequested()) pane.append("\r\nBlank check is failure!");
  return kOpFailed;
}

}  // namespace qrk

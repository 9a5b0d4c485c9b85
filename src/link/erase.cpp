#include "link/erase.h"

#include "link/frame.h"
#include "link/status.h"

namespace qrk {

Status eraseChip(IspLink& link, MessagePane& pane) {
  constexpr int kAttempts = 6;
  pane.append("We are erasing whole ehip...\r\n");
  for (int attempt = 0; attempt < kAttempts && !link.stopRequested(); ++attempt) {
    link.sendShortCommand(cmd::kErase, link.replyWaitMs(), 0);
    if (link.waitReply() == WaitOutcome::Ready) {
      pane.append("Erase whole chip OK!");
      return Status::success();
    }
  }
  if (link.stopRequested()) return Status::failure(Reason::Stopped);
  pane.append("\r\nErase whole chip is failure!");
  return Status::failure(Reason::NoAnswer, "Erase whole chip is failure!");
}

}  // namespace qrk

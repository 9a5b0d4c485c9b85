#include "link/erase.h"

#include "link/frame.h"
#include "link/status.h"

namespace qrk {

int eraseChip(IspLink& link, MessagePane& pane) {
  constexpr int kAttempts = 6;
  pane.append("We are erasing whole ehip...\r\n");
  for (int attempt = 0; attempt < kAttempts && !link.stopRequested(); ++attempt) {
    link.sendShortCommand(cmd::kErase, link.replyWaitMs(), 0);
    if (link.waitReply() == WaitOutcome::Ready) {
      pane.append("Erase whole chip OK!");
      return kOpOk;
    }
  }
  if (!link.stopRequested()) pane.append("\r\nErase whole chip is failure!");
  return kOpFailed;
}

}  // namespace qrk

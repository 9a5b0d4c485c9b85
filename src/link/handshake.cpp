#include "link/handshake.h"

#include <cstdio>

#include "link/frame.h"
#include "link/status.h"

namespace qrk {

namespace {

bool passAnswered(IspLink& link, int syncWaitMs, std::uint8_t syncParameter) {
  for (int attempt = 0; attempt < HandshakeTiming::kAttemptsPerPass; ++attempt) {
    if (link.stopRequested()) return false;
    link.flushReceive();
    link.sendShortCommand(cmd::kHandshake, syncWaitMs, syncParameter);
    if (link.waitReply() == WaitOutcome::Ready) return true;
  }
  return false;
}

}  // namespace

Status connectTarget(IspLink& link, MessagePane& pane, int syncWaitMs, std::uint8_t syncParameter,
                     std::string& bootloaderVersion) {
  for (int pass = 0; pass < HandshakeTiming::kPasses; ++pass) {
    if (!passAnswered(link, syncWaitMs, syncParameter)) {
      return Status::failure(link.stopRequested() ? Reason::Stopped : Reason::NoAnswer);
    }
  }

  bootloaderVersion = "0";
  std::optional<std::uint8_t> version;
  for (int attempt = 0; attempt < HandshakeTiming::kVersionAttempts; ++attempt) {
    if (link.stopRequested()) break;
    link.flushReceive();
    link.sendShortCommand(cmd::kVersion, HandshakeTiming::kVersionWaitMs, 0);
    if (link.waitReply() != WaitOutcome::Ready) continue;
    const Reply reply = link.takeReply();
    // Only a version reply that really carries a version byte counts.
    if (reply.at(3) == cmd::kVersion && reply.has(4)) {
      version = reply.at(4);
      break;
    }
  }
  if (link.stopRequested()) return Status::failure(Reason::Stopped);
  if (!version) return Status::success();

  char digits[3];
  std::snprintf(digits, sizeof digits, "%02X", static_cast<unsigned>(*version));
  bootloaderVersion = digits;
  const std::string dotted = std::string(1, digits[0]) + "." + digits[1];
  pane.append("Version: " + dotted + "\r\n" + "烧录器版本号: " + dotted + "\r\n");
  return Status::success();
}

}  // namespace qrk

#include "link/identify.h"

#include <array>
#include <cstdio>
#include <utility>

#include "link/frame.h"
#include "link/status.h"

namespace qrk {

namespace {

constexpr int kAttempts = 6;

constexpr std::array<std::pair<const char*, const char*>, 7> kIdMessages = {{
    {"F001", "MCU: QRK5/3-04A"},
    {"F002", "MCU: QRK5/3-08A"},
    {"F004", "MCU: QRK5/3-12A"},
    {"F104", "MCU: QRK5/3-16B"},
    {"F108", "MCU: QRK5/3-32B"},
    {"F110", "MCU: QRK5/3-64B"},
    {"0055", "MCU: QRK3-xxF/G"},
}};

}  // namespace

std::string modelMessageForId(const std::string& idText) {
  for (const auto& [id, message] : kIdMessages) {
    if (idText == id) return message;
  }
  return {};
}

Status readTargetId(IspLink& link, MessagePane& pane, const std::string& expectedId,
                    bool showMessages, std::string* idRead) {
  std::optional<Reply> reply;
  for (int attempt = 0; attempt < kAttempts && !link.stopRequested(); ++attempt) {
    link.sendShortCommand(cmd::kReadId, link.replyWaitMs(), 0);
    if (link.waitReply() != WaitOutcome::Ready) continue;
    Reply r = link.takeReply();
    // A reply too short to hold both ID bytes is not an ID.
    if (!r.has(5)) continue;
    reply = std::move(r);
    break;
  }
  if (!reply) {
    if (link.stopRequested()) return Status::failure(Reason::Stopped);
    if (showMessages) pane.append("\r\nRead ID is failure!\r\n");
    return Status::failure(Reason::NoAnswer, "Read ID is failure!");
  }

  char idText[5];
  std::snprintf(idText, sizeof idText, "%02X%02X", static_cast<unsigned>(*reply->at(5)),
                static_cast<unsigned>(*reply->at(4)));
  if (idRead != nullptr) *idRead = idText;
  const std::string modelMessage = modelMessageForId(idText);
  if (expectedId.empty() || expectedId != idText) {
    Status wrong = Status::failure(Reason::WrongId, "Already encrypt or Invalid MCU type!");
    wrong.idRead = idText;
    if (showMessages) {
      if (!modelMessage.empty()) pane.append(modelMessage + "\r\n");
      pane.append(wrong.text + "\r\n已加密或有疑问的 MCU 型号 \r\n");
    }
    return wrong;
  }
  if (showMessages) pane.append(modelMessage + "\r\n");
  return Status::success();
}

}  // namespace qrk

#include "device/option_io.h"

#include <array>
#include <cstdint>

#include "link/frame.h"
#include "link/status.h"

namespace qrk {

Status readOption(IspLink& link, MessagePane& pane, OptionPanel& panel, MapKind mapKind,
                  bool showMessages, std::optional<OptionBytes>* bytesRead) {
  if (showMessages) pane.append("We are reading Option ...");
  std::optional<OptionBytes> bytes;
  for (int attempt = 0; attempt < kOptionAttempts && !link.stopRequested(); ++attempt) {
    link.sendShortCommand(cmd::kReadOption, link.replyWaitMs(), 0);
    if (link.waitReply() != WaitOutcome::Ready) continue;
    const Reply reply = link.takeReply();
    const std::optional<std::uint8_t> b1 = reply.at(4);
    const std::optional<std::uint8_t> b2 = reply.at(5);
    // A well-formed frame without both bytes is no answer to this request.
    if (!b1 || !b2) continue;
    bytes = OptionBytes{*b1, *b2};
    break;
  }
  if (bytesRead) *bytesRead = bytes;

  if (!bytes) {
    if (link.stopRequested()) return Status::failure(Reason::Stopped);
    if (showMessages) pane.append("\r\nRead Option is failure!");
    return Status::failure(Reason::NoAnswer, "Read Option is failure!");
  }
  if (showMessages) {
    pane.append("\r\nRead Option OK!\r\n");
    pane.append(optionReportText(mapKind, bytes->byte1, bytes->byte2));
  }
  reportOptionLabels(panel, mapKind, bytes->byte1, bytes->byte2);
  return Status::success();
}

Status writeOption(IspLink& link, MessagePane& pane, const OptionPanel& panel, MapKind mapKind,
                   bool showMessages) {
  if (showMessages) pane.append("We are writing Option ...");
  bool written = false;
  for (int attempt = 0; attempt < kOptionAttempts && !link.stopRequested(); ++attempt) {
    // Composed on every attempt: the user may change a choice while a retry waits.
    const std::array<std::uint8_t, 2> bytes{composeOptionByte1(panel, mapKind),
                                            composeOptionByte2(panel, mapKind)};
    link.sendFrame(buildRequest(cmd::kWriteOption, bytes), link.replyWaitMs());
    if (link.waitReply() == WaitOutcome::Ready) {
      written = true;
      break;
    }
  }
  if (showMessages) pane.append(written ? "\r\nWrite Option OK!" : "\r\nWrite Option is failure!");
  if (written) return Status::success();
  if (link.stopRequested()) return Status::failure(Reason::Stopped);
  return Status::failure(Reason::NoAnswer, "Write Option is failure!");
}

}  // namespace qrk

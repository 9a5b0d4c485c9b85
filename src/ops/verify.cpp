#include "ops/verify.h"

#include <algorithm>
#include <string>

#include "link/identify.h"
#include "ops/address_range.h"
#include "ops/blank_skip.h"
#include "ops/data_frame.h"
#include "ops/page_sums.h"
#include "ops/progress.h"
#include "ops/read_flash.h"
#include "platform/text.h"

namespace qrk {

std::string mismatchReport(const Status& status) {
  return "\r\nAddress: " + upperHex(status.address.value_or(0), 6) +
         "\r\nBuffer:  " + upperHex(status.expected.value_or(0), 2) +
         "\r\nFlash:   " + upperHex(status.actual.value_or(0), 2) + "\r\n\r\n" + status.text;
}

Status verifyChunk(const OpContext& ctx, std::int32_t address, int count) {
  (void)readTargetId(ctx.link, ctx.pane, ctx.model.expectedId, false);
  Reply reply;
  Status read = Status::failure(Reason::NoAnswer);
  for (int attempt = 0; attempt < kReadAttempts && !read.ok(); ++attempt) {
    if (ctx.link.stopRequested()) return Status::failure(Reason::Stopped);
    read = readChunk(ctx, address, count, false, &reply);
  }
  if (!read.ok()) return read;

  for (int i = 0; i < count; ++i) {
    const std::uint8_t flash = *reply.at(kReadReplyDataAt + static_cast<std::size_t>(i));
    const std::uint8_t buffer = ctx.image.at(address + i);
    if (flash == buffer) continue;
    Status differs = Status::failure(Reason::Mismatch, "Verify is error!");
    differs.address = address + i;
    differs.expected = buffer;
    differs.actual = flash;
    ctx.pane.append(mismatchReport(differs));
    return differs;
  }
  return Status::success();
}

Status verifyRange(const OpContext& ctx, std::int32_t first, std::int32_t last, bool showMessages) {
  if (Status range = checkLinkRange(ctx.pane, first, last); !range.ok()) return range;
  showProgress(ctx.host, first, last);
  for (std::int32_t a = first; a <= last;) {
    const std::int32_t chunkEnd = std::min(a / kChunkSize * kChunkSize + kChunkSize - 1, last);
    const bool leftOut =
        ctx.blankSkip != nullptr && ctx.blankSkip->leftOut(ctx.image, a, chunkEnd);
    Status result = leftOut ? Status::success() : Status::failure(Reason::NoAnswer);
    for (int attempt = 0; attempt < kVerifyChunkAttempts && !leftOut; ++attempt) {
      if (ctx.link.stopRequested()) break;
      result = verifyChunk(ctx, a, chunkEnd - a + 1);
      if (result.ok() || result.isVerdict()) break;
    }
    if (ctx.link.stopRequested()) return Status::failure(Reason::Stopped);
    if (result.isVerdict()) return result;
    if (!result.ok()) {
      if (showMessages) ctx.pane.append(kVerifyCommFailureText);
      return Status::failure(Reason::NoAnswer, kVerifyCommFailureLine);
    }
    ctx.host.setProgressValue(chunkEnd);
    showKbytes(ctx.host, chunkEnd / 1024.0);
    a = chunkEnd + 1;
  }
  return Status::success();
}

Status verifyImage(const OpContext& ctx, bool showMessages) {
  if (showMessages) ctx.pane.append("We are Verifying...");
  // While the ISP DEMO is written the top kilobyte was programmed too, and
  // without a file it is all that was: the cleared image's first kilobyte
  // was never sent.
  const bool wholeImage = ctx.image.fileLoaded || !ctx.flags.demoWriteMode;
  Status status;
  if (wholeImage) status = verifyRange(ctx, ctx.image.rangeLow, ctx.image.rangeHigh, showMessages);
  if (status.ok() && ctx.flags.demoWriteMode) {
    const AddressSpan top = topKilobyte(ctx.model.topAddress);
    status = verifyRange(ctx, top.first, top.last, showMessages);
  }
  if (status.ok() && showMessages) ctx.pane.append("\r\nVerify OK!");
  hideProgress(ctx.host);
  return status;
}

Status verifyByChecksum(const OpContext& ctx, bool showMessages) {
  if (showMessages) ctx.pane.append("We are Verifying...");
  const ImageBuffer& image = ctx.image;
  const bool wholeImage = image.fileLoaded || !ctx.flags.demoWriteMode;
  // The top kilobyte is only programmed when the ISP DEMO is written; anywhere
  // else it holds what the user never sent, and comparing it would fail an
  // erased chip (or pass a stale one) on data that was not programmed.
  const bool withTopKilobyte = ctx.flags.demoWriteMode;
  const AddressSpan top = topKilobyte(ctx.model.topAddress);
  if (wholeImage) {
    if (Status range = checkLinkRange(ctx.pane, image.rangeLow, image.rangeHigh); !range.ok())
      return range;
  }
  if (withTopKilobyte) {
    if (Status range = checkLinkRange(ctx.pane, top.first, top.last); !range.ok()) return range;
  }

  Status status = Status::failure(Reason::NoAnswer);
  for (int attempt = 0; attempt < kVerifyByChecksumAttempts; ++attempt) {
    if (ctx.link.stopRequested()) break;
    status = wholeImage ? pageSumCheck(ctx, image.rangeLow, image.rangeHigh) : Status::success();
    if (status.ok() && withTopKilobyte) status = pageSumCheck(ctx, top.first, top.last);
    // A difference is an answer: asking again changes nothing.
    if (status.ok() || status.isVerdict()) break;
  }
  hideProgress(ctx.host);
  if (ctx.link.stopRequested()) return Status::failure(Reason::Stopped);
  if (status.ok()) {
    if (showMessages) ctx.pane.append("\r\nVerify OK!");
    return status;
  }
  if (status.isVerdict()) return status;
  if (showMessages) ctx.pane.append(kVerifyCommFailureText);
  return Status::failure(Reason::NoAnswer, kVerifyCommFailureLine);
}

}  // namespace qrk

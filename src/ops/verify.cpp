#include "ops/verify.h"

#include <algorithm>

#include "link/identify.h"
#include "ops/address_range.h"
#include "ops/blank_skip.h"
#include "ops/data_frame.h"
#include "ops/page_sums.h"
#include "ops/progress.h"
#include "ops/read_flash.h"
#include "platform/text.h"

namespace qrk {

int verifyChunk(const OpContext& ctx, std::int32_t address, int count) {
  (void)readTargetId(ctx.link, ctx.pane, ctx.model.expectedId, false);
  Reply reply;
  bool answered = false;
  for (int attempt = 0; attempt < kReadAttempts && !answered; ++attempt) {
    if (ctx.link.stopRequested()) return kOpFailed;
    answered = readChunk(ctx, address, count, false, &reply) == kOpOk;
  }
  if (!answered) return kOpFailed;

  for (int i = 0; i < count; ++i) {
    const std::uint8_t flash = *reply.at(kReadReplyDataAt + static_cast<std::size_t>(i));
    const std::uint8_t buffer = ctx.image.at(address + i);
    if (flash == buffer) continue;
    ctx.pane.append("\r\nAddress: " + upperHex(address + i, 6) +
                    "\r\nBuffer:  " + upperHex(buffer, 2) + "\r\nFlash:   " + upperHex(flash, 2) +
                    "\r\n\r\nVerify is error!");
    return kOpMismatch;
  }
  return kOpOk;
}

int verifyRange(const OpContext& ctx, std::int32_t first, std::int32_t last, bool showMessages) {
  if (!checkLinkRange(ctx.pane, first, last)) return kOpFailed;
  showProgress(ctx.host, first, last);
  for (std::int32_t a = first; a <= last;) {
    const std::int32_t chunkEnd = std::min(a / kChunkSize * kChunkSize + kChunkSize - 1, last);
    const bool leftOut =
        ctx.blankSkip != nullptr && ctx.blankSkip->leftOut(ctx.image, a, chunkEnd);
    int result = leftOut ? kOpOk : kOpFailed;
    for (int attempt = 0; attempt < kVerifyChunkAttempts && !leftOut; ++attempt) {
      if (ctx.link.stopRequested()) break;
      result = verifyChunk(ctx, a, chunkEnd - a + 1);
      if (result != kOpFailed) break;
    }
    if (ctx.link.stopRequested()) return kOpFailed;
    if (result == kOpMismatch) return kOpFailed;
    if (result != kOpOk) {
      if (showMessages) ctx.pane.append(kVerifyCommFailureText);
      return kOpFailed;
    }
    ctx.host.setProgressValue(chunkEnd);
    showKbytes(ctx.host, chunkEnd / 1024.0);
    a = chunkEnd + 1;
  }
  return kOpOk;
}

int verifyImage(const OpContext& ctx, bool showMessages) {
  if (showMessages) ctx.pane.append("We are Verifying...");
  // While the ISP DEMO is written the top kilobyte was programmed too, and
  // without a file it is all that was: the cleared image's first kilobyte
  // was never sent.
  const bool wholeImage = ctx.image.fileLoaded || !ctx.flags.demoWriteMode;
  int status = kOpOk;
  if (wholeImage) status = verifyRange(ctx, ctx.image.rangeLow, ctx.image.rangeHigh, showMessages);
  if (status == kOpOk && ctx.flags.demoWriteMode) {
    const AddressSpan top = topKilobyte(ctx.model.topAddress);
    status = verifyRange(ctx, top.first, top.last, showMessages);
  }
  if (status == kOpOk && showMessages) ctx.pane.append("\r\nVerify OK!");
  hideProgress(ctx.host);
  return status;
}

int verifyByChecksum(const OpContext& ctx, bool showMessages) {
  if (showMessages) ctx.pane.append("We are Verifying...");
  const ImageBuffer& image = ctx.image;
  const bool wholeImage = image.fileLoaded || !ctx.flags.demoWriteMode;
  // The top kilobyte is only programmed when the ISP DEMO is written; anywhere
  // else it holds what the user never sent, and comparing it would fail an
  // erased chip (or pass a stale one) on data that was not programmed.
  const bool withTopKilobyte = ctx.flags.demoWriteMode;
  const AddressSpan top = topKilobyte(ctx.model.topAddress);
  if ((wholeImage && !checkLinkRange(ctx.pane, image.rangeLow, image.rangeHigh)) ||
      (withTopKilobyte && !checkLinkRange(ctx.pane, top.first, top.last))) {
    return kOpFailed;
  }

  int status = kOpFailed;
  for (int attempt = 0; attempt < kVerifyByChecksumAttempts; ++attempt) {
    if (ctx.link.stopRequested()) break;
    status = wholeImage ? pageSumCheck(ctx, image.rangeLow, image.rangeHigh) : kOpOk;
    if (status == kOpOk && withTopKilobyte) status = pageSumCheck(ctx, top.first, top.last);
    if (status != kOpFailed) break;  // a difference is an answer: asking again changes nothing
  }
  hideProgress(ctx.host);
  if (ctx.link.stopRequested()) return kOpFailed;
  if (status == kOpOk) {
    if (showMessages) ctx.pane.append("\r\nVerify OK!");
    return kOpOk;
  }
  if (status == kOpFailed && showMessages) ctx.pane.append(kVerifyCommFailureText);
  return kOpFailed;
}

}  // namespace qrk

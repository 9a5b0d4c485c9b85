#include "ops/program.h"

#include <algorithm>

#include "ops/address_range.h"
#include "ops/blank_skip.h"
#include "ops/data_frame.h"
#include "ops/progress.h"
#include "ops/verify.h"

namespace qrk {

namespace {

constexpr int kMapKindWithRestartedBlocks = 2;

int blockSizeOf(const SelectedModel& model) {
  // Blocks are whole data frames; anything else in the model is a catalogue fault.
  return model.blockSize >= kChunkSize && model.blockSize % kChunkSize == 0 ? model.blockSize
                                                                            : kChunkSize;
}

// Sends one block (or the final part), retrying it from its first frame; a
// block the chip already holds, as proven in this run, is left out.
int sendBlock(const OpContext& ctx, std::int32_t first, std::int32_t last, int attempts,
              bool restartEveryTime) {
  if (ctx.blankSkip != nullptr && ctx.blankSkip->leaveOut(ctx.image, first, last)) {
    return ctx.link.stopRequested() ? kOpFailed : kOpOk;
  }
  for (int attempt = 0; attempt < attempts; ++attempt) {
    const bool restart = attempt > 0 || restartEveryTime;
    const int status = sendChunks(ctx, first, last, restart);
    if (ctx.link.stopRequested()) return kOpFailed;
    if (status == kOpOk) return kOpOk;
  }
  return kOpFailed;
}

void showBlockDone(const OpContext& ctx, std::int32_t start, std::int32_t doneUpTo,
                   std::int32_t maximum) {
  ctx.host.setProgressValue(std::min(doneUpTo + 1, maximum));
  showKbytes(ctx.host, (doneUpTo - start + 1) / 1024.0);
}

}  // namespace

int sendDataFrame(const OpContext& ctx, std::int32_t address, int count, bool restart) {
  IspLink& link = ctx.link;
  if (link.stopRequested()) return kOpFailed;
  if (address < 0 || count < 1 || count > kMaxDataBytes ||
      address + count - 1 > kLinkAddressLimit) {
    return kOpFailed;
  }
  const std::uint8_t sum = dataSum(ctx.image, address, count);
  link.sendFrame(buildDataFrame(ctx.image, static_cast<std::uint16_t>(address),
                                static_cast<std::uint16_t>(count), restart),
                 link.replyWaitMs());
  const bool accepted =
      link.waitReply() == WaitOutcome::Ready &&
      dataAckAccepted(link.takeReply(), static_cast<unsigned>(address / kChunkSize), sum);
  if (accepted) return kOpOk;
  if (ctx.flags.closeRequested) ctx.flags.closeWindowDue = true;
  return kOpFailed;
}

int sendChunks(const OpContext& ctx, std::int32_t first, std::int32_t last, bool restart) {
  for (std::int32_t a = first; a <= last; a += kChunkSize) {
    const int count = std::min<std::int32_t>(kChunkSize, last - a + 1);
    if (sendDataFrame(ctx, a, count, restart) != kOpOk) return kOpFailed;
    restart = false;
  }
  return kOpOk;
}

int programBlocks(const OpContext& ctx) {
  const ImageBuffer& image = ctx.image;
  if (!checkLinkRange(ctx.pane, image.rangeLow, image.rangeHigh)) return kOpFailed;
  const std::int32_t rangeHigh = image.rangeHigh;
  const int blockSize = blockSizeOf(ctx.model);
  const bool restartEveryBlock = ctx.model.mapKind == kMapKindWithRestartedBlocks;

  const std::int32_t start = image.rangeLow / blockSize * blockSize;
  const std::int32_t firstBlock = start / blockSize;
  const std::int32_t lastBlock = rangeHigh / blockSize;
  ctx.host.setProgressRange(start, rangeHigh);

  // All blocks but the last go whole; a range inside one block is that block, whole.
  const std::int32_t wholeBlocks = std::max<std::int32_t>(1, lastBlock - firstBlock);
  std::int32_t blockFirst = start;
  std::int32_t blockLast = (firstBlock + 1) * blockSize - 1;
  for (std::int32_t i = 0; i < wholeBlocks; ++i) {
    if (sendBlock(ctx, blockFirst, blockLast, kBlockAttempts, restartEveryBlock) != kOpOk) {
      return kOpFailed;
    }
    showBlockDone(ctx, start, blockLast, rangeHigh);
    blockFirst = blockLast + 1;
    blockLast += blockSize;
  }
  if (blockFirst <= rangeHigh) {
    if (sendBlock(ctx, blockFirst, rangeHigh, kFinalPartAttempts, false) != kOpOk) {
      return kOpFailed;
    }
    ctx.host.setProgressValue(rangeHigh);
  }
  showKbytes(ctx.host, (rangeHigh - start + 1) / 1024.0);
  return kOpOk;
}

int programTopKilobyte(const OpContext& ctx) {
  const int blockSize = blockSizeOf(ctx.model);
  const auto [first, end] = topKilobyte(ctx.model.topAddress);
  if (!checkLinkRange(ctx.pane, first, end)) return kOpFailed;
  const bool restartEveryBlock = ctx.model.mapKind == kMapKindWithRestartedBlocks;
  const std::int32_t start = first / blockSize * blockSize;

  showProgress(ctx.host, start, end);
  const std::int32_t blocks = end / blockSize - start / blockSize + 1;
  std::int32_t blockFirst = start;
  std::int32_t blockLast = (start / blockSize + 1) * blockSize - 1;
  int status = kOpOk;
  for (std::int32_t i = 0; i < blocks && status == kOpOk; ++i) {
    status = sendBlock(ctx, blockFirst, blockLast, kBlockAttempts, restartEveryBlock);
    if (status == kOpOk) showBlockDone(ctx, start, blockLast, end);
    blockFirst = blockLast + 1;
    blockLast += blockSize;
  }
  hideProgress(ctx.host);
  return status;
}

int programImage(const OpContext& ctx, bool showMessages, const PrepareImage& prepare) {
  auto askForFile = [&ctx] {
    ctx.host.messageBox(kOpenFileFirstText, {}, MessageButtons::Ok);
    return kOpFailed;
  };
  if (!ctx.image.fileLoaded) return ctx.flags.demoWriteMode ? kOpOk : askForFile();
  if (prepare) {
    if (!prepare()) return kOpFailed;
    if (!ctx.image.fileLoaded) return askForFile();
  }

  if (showMessages) ctx.pane.append("We are programing ...");
  showProgress(ctx.host, ctx.image.rangeLow, ctx.image.rangeHigh);
  int status = programBlocks(ctx);
  if (status == kOpOk) {
    if (showMessages) ctx.pane.append("\r\nProgram OK!");
    // Kinds 0 and 1 have no verify step of their own: their "Verify  OK!"
    // is only said after the flash was read back and compared.
    if (ctx.model.mapKind != kMapKindWithRestartedBlocks) {
      status = verifyRange(ctx, ctx.image.rangeLow, ctx.image.rangeHigh, showMessages);
      if (status == kOpOk && showMessages) ctx.pane.append("\r\nVerify  OK!");
    }
  } else if (showMessages && !ctx.link.stopRequested()) {
    ctx.pane.append("\r\nProgram is failure!");
  }
  hideProgress(ctx.host);
  return status == kOpOk ? kOpOk : kOpFailed;
}

int programTopKilobyteAndImage(const OpContext& ctx, bool showMessages,
                               const PrepareImage& prepare) {
  if (programTopKilobyte(ctx) != kOpOk) {
    if (showMessages && !ctx.link.stopRequested()) ctx.pane.append("\r\nProgram is failure!");
    return kOpFailed;
  }
  return programImage(ctx, showMessages, prepare);
}

}  // namespace qrk

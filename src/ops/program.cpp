#include "ops/program.h"

#include <algorithm>

#include "ops/address_range.h"
#include "ops/blank_skip.h"
#include "ops/data_frame.h"
#include "ops/progress.h"
#include "ops/verify.h"

namespace qrk {

namespace {

int blockSizeOf(const SelectedModel& model) {
  // Blocks are whole data frames; anything else in the model is a catalogue fault.
  return model.blockSize >= kChunkSize && model.blockSize % kChunkSize == 0 ? model.blockSize
                                                                            : kChunkSize;
}

// Sends one block (or the final part), retrying it from its first frame; a
// block the chip already holds, as proven in this run, is left out.
Status sendBlock(const OpContext& ctx, std::int32_t first, std::int32_t last, int attempts,
                 bool restartEveryTime) {
  if (ctx.blankSkip != nullptr && ctx.blankSkip->leaveOut(ctx.image, first, last)) {
    return ctx.link.stopRequested() ? Status::failure(Reason::Stopped) : Status::success();
  }
  Status status = Status::failure(Reason::NoAnswer);
  for (int attempt = 0; attempt < attempts; ++attempt) {
    const bool restart = attempt > 0 || restartEveryTime;
    status = sendChunks(ctx, first, last, restart);
    if (ctx.link.stopRequested()) return Status::failure(Reason::Stopped);
    if (status.ok()) return status;
  }
  return status;
}

void showBlockDone(const OpContext& ctx, std::int32_t start, std::int32_t doneUpTo,
                   std::int32_t maximum) {
  ctx.host.setProgressValue(std::min(doneUpTo + 1, maximum));
  showKbytes(ctx.host, (doneUpTo - start + 1) / 1024.0);
}

// The Program step's own line closes every failure but Stop, a refused range
// included; the reason and its details stay those of the cause.
Status programFailure(const OpContext& ctx, Status failed, bool showMessages) {
  if (ctx.link.stopRequested()) return Status::failure(Reason::Stopped);
  if (showMessages) ctx.pane.append("\r\nProgram is failure!");
  return std::move(failed).withText("Program is failure!");
}

}  // namespace

Status sendDataFrame(const OpContext& ctx, std::int32_t address, int count, bool restart) {
  IspLink& link = ctx.link;
  if (link.stopRequested()) return Status::failure(Reason::Stopped);
  if (address < 0 || count < 1 || count > kMaxDataBytes ||
      address + count - 1 > kLinkAddressLimit) {
    return Status::failure(Reason::File);
  }
  const std::uint8_t sum = dataSum(ctx.image, address, count);
  link.sendFrame(buildDataFrame(ctx.image, static_cast<std::uint16_t>(address),
                                static_cast<std::uint16_t>(count), restart),
                 link.replyWaitMs());
  const bool answered = link.waitReply() == WaitOutcome::Ready;
  if (answered &&
      dataAckAccepted(link.takeReply(), static_cast<unsigned>(address / kChunkSize), sum)) {
    return Status::success();
  }
  if (ctx.flags.closeRequested) ctx.flags.failedWhileClosing = true;
  Status failed = Status::failure(answered ? Reason::Refused : Reason::NoAnswer);
  failed.address = address;
  return failed;
}

Status sendChunks(const OpContext& ctx, std::int32_t first, std::int32_t last, bool restart) {
  for (std::int32_t a = first; a <= last; a += kChunkSize) {
    const int count = std::min<std::int32_t>(kChunkSize, last - a + 1);
    if (Status sent = sendDataFrame(ctx, a, count, restart); !sent.ok()) return sent;
    restart = false;
  }
  return Status::success();
}

Status programBlocks(const OpContext& ctx) {
  const ImageBuffer& image = ctx.image;
  if (Status range = checkLinkRange(ctx.pane, image.rangeLow, image.rangeHigh); !range.ok())
    return range;
  const std::int32_t rangeHigh = image.rangeHigh;
  const int blockSize = blockSizeOf(ctx.model);
  const bool restartEveryBlock = ctx.model.mapKind == MapKind::TopOfModel;

  const std::int32_t start = image.rangeLow / blockSize * blockSize;
  const std::int32_t firstBlock = start / blockSize;
  const std::int32_t lastBlock = rangeHigh / blockSize;
  ctx.host.setProgressRange(start, rangeHigh);

  // All blocks but the last go whole; a range inside one block is that block, whole.
  const std::int32_t wholeBlocks = std::max<std::int32_t>(1, lastBlock - firstBlock);
  std::int32_t blockFirst = start;
  std::int32_t blockLast = (firstBlock + 1) * blockSize - 1;
  for (std::int32_t i = 0; i < wholeBlocks; ++i) {
    if (Status sent = sendBlock(ctx, blockFirst, blockLast, kBlockAttempts, restartEveryBlock);
        !sent.ok()) {
      return sent;
    }
    showBlockDone(ctx, start, blockLast, rangeHigh);
    blockFirst = blockLast + 1;
    blockLast += blockSize;
  }
  if (blockFirst <= rangeHigh) {
    if (Status sent = sendBlock(ctx, blockFirst, rangeHigh, kFinalPartAttempts, false);
        !sent.ok()) {
      return sent;
    }
    ctx.host.setProgressValue(rangeHigh);
  }
  showKbytes(ctx.host, (rangeHigh - start + 1) / 1024.0);
  return Status::success();
}

Status programTopKilobyte(const OpContext& ctx) {
  const int blockSize = blockSizeOf(ctx.model);
  const auto [first, end] = topKilobyte(ctx.model.topAddress);
  if (Status range = checkLinkRange(ctx.pane, first, end); !range.ok()) return range;
  const bool restartEveryBlock = ctx.model.mapKind == MapKind::TopOfModel;
  const std::int32_t start = first / blockSize * blockSize;

  showProgress(ctx.host, start, end);
  const std::int32_t blocks = end / blockSize - start / blockSize + 1;
  std::int32_t blockFirst = start;
  std::int32_t blockLast = (start / blockSize + 1) * blockSize - 1;
  Status status;
  for (std::int32_t i = 0; i < blocks && status.ok(); ++i) {
    status = sendBlock(ctx, blockFirst, blockLast, kBlockAttempts, restartEveryBlock);
    if (status.ok()) showBlockDone(ctx, start, blockLast, end);
    blockFirst = blockLast + 1;
    blockLast += blockSize;
  }
  hideProgress(ctx.host);
  return status;
}

Status programImage(const OpContext& ctx, bool showMessages, const PrepareImage& prepare) {
  auto askForFile = [&ctx] {
    ctx.host.messageBox(kOpenFileFirstText, {}, MessageButtons::Ok);
    return Status::failure(Reason::File, "Please open file.");
  };
  if (!ctx.image.fileLoaded) return ctx.flags.demoWriteMode ? Status::success() : askForFile();
  if (prepare) {
    if (Status prepared = prepare(); !prepared.ok()) return prepared;
    if (!ctx.image.fileLoaded) return askForFile();
  }

  if (showMessages) ctx.pane.append("We are programing ...");
  showProgress(ctx.host, ctx.image.rangeLow, ctx.image.rangeHigh);
  Status status = programBlocks(ctx);
  if (status.ok()) {
    if (showMessages) ctx.pane.append("\r\nProgram OK!");
    // Kinds 0 and 1 have no verify step of their own: their "Verify  OK!"
    // is only said after the flash was read back and compared.
    if (ctx.model.mapKind != MapKind::TopOfModel) {
      status = verifyRange(ctx, ctx.image.rangeLow, ctx.image.rangeHigh, showMessages);
      if (status.ok() && showMessages) ctx.pane.append("\r\nVerify  OK!");
    }
  } else {
    status = programFailure(ctx, std::move(status), showMessages);
  }
  hideProgress(ctx.host);
  return status;
}

Status programTopKilobyteAndImage(const OpContext& ctx, bool showMessages,
                                  const PrepareImage& prepare) {
  if (Status top = programTopKilobyte(ctx); !top.ok()) {
    return programFailure(ctx, std::move(top), showMessages);
  }
  return programImage(ctx, showMessages, prepare);
}

}  // namespace qrk

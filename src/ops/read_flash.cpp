#include "ops/read_flash.h"

#include "link/frame.h"
#include "ops/address_range.h"
#include "ops/progress.h"

namespace qrk {

namespace {

constexpr int kReadChunk = 128;
constexpr std::int32_t kReadSpaceLast = 0xFFFF;
constexpr std::size_t kReplyAddressAt = 6;
constexpr std::size_t kReplyCountAt = 8;

}  // namespace

std::vector<std::uint8_t> buildReadRequest(std::uint32_t address, std::uint16_t count) {
  return buildRequest(cmd::kRead, bigEndianFields({{address, 4}, {count, 2}}));
}

bool readReplyAnswers(const Reply& reply, std::int32_t address, int count) {
  if (address < 0 || count < 1) return false;
  return reply.word(kReplyAddressAt) == static_cast<unsigned>(address) &&
         reply.word(kReplyCountAt) == static_cast<unsigned>(count) &&
         reply.has(kReadReplyDataAt + static_cast<std::size_t>(count) - 1);
}

Status readChunk(const OpContext& ctx, std::int32_t address, int count, bool copy, Reply* reply) {
  IspLink& link = ctx.link;
  if (link.stopRequested()) return Status::failure(Reason::Stopped);
  if (address < 0 || count < 1 || count > kMaxReadBytes ||
      address + count - 1 > kLinkAddressLimit) {
    return Status::failure(Reason::File);
  }
  link.sendFrame(
      buildReadRequest(static_cast<std::uint32_t>(address), static_cast<std::uint16_t>(count)),
      link.replyWaitMs());
  if (link.waitReply() != WaitOutcome::Ready) return Status::failure(Reason::NoAnswer);
  Reply received = link.takeReply();
  if (!readReplyAnswers(received, address, count)) return Status::failure(Reason::NoAnswer);
  if (copy) copyReplyToImage(received, ctx.image);
  if (reply) *reply = std::move(received);
  return Status::success();
}

void copyReplyToImage(const Reply& reply, ImageBuffer& image) {
  const auto address = reply.word(kReplyAddressAt);
  const auto count = reply.word(kReplyCountAt);
  if (!address || !count) return;
  for (unsigned i = 0; i < *count; ++i) {
    const auto byte = reply.at(kReadReplyDataAt + i);
    if (!byte) return;
    (void)image.set(static_cast<std::int32_t>(*address + i), *byte);
  }
}

Status readFlash(const OpContext& ctx) {
  ImageBuffer& image = ctx.image;
  Host& host = ctx.host;
  image.fill(0xFF);
  showProgress(host, 0, kReadSpaceLast);
  host.setProgressValue(0);
  image.fileStart = 0;
  image.fileEnd = kReadSpaceLast;

  int requests = 0;
  bool complete = true;
  for (std::int32_t a = 0; a <= kReadSpaceLast && complete; a += kReadChunk) {
    complete = false;
    for (int attempt = 0; attempt < kReadAttempts && !complete; ++attempt) {
      if (ctx.link.stopRequested()) break;
      complete = readChunk(ctx, a, kReadChunk, true).ok();
    }
    if (!complete) break;
    ++requests;
    showKbytes(host, requests / 8.0);
    host.setProgressValue(a);
  }

  // The last request ends the space: the bar shows it whole.
  if (complete) host.setProgressValue(kReadSpaceLast);
  hideProgress(host);
  if (!complete) {
    image.fileLoaded = false;
    if (ctx.link.stopRequested()) return Status::failure(Reason::Stopped);
    const Status failed = Status::failure(Reason::NoAnswer, "Read flash is failure!");
    ctx.pane.append("\r\n" + failed.text);
    return failed;
  }
  image.rangeLow = 0;
  image.rangeHigh = kReadSpaceLast;
  ctx.pane.append("\r\nRead AP_ISP OK!");
  return Status::success();
}

}  // namespace qrk

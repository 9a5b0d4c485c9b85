#include "ops/page_sums.h"

#include <algorithm>

#include "link/frame.h"
#include "ops/address_range.h"
#include "platform/text.h"

namespace qrk {

namespace {

constexpr std::size_t kFirstSumAt = 4;

}  // namespace

std::vector<std::uint8_t> buildPageSumRequest(std::uint32_t first, std::uint32_t last) {
  return buildRequest(cmd::kPageSums, bigEndianFields({{first, 4}, {last, 4}}));
}

std::vector<std::uint16_t> imagePageSums(const ImageBuffer& image, std::int32_t first,
                                         std::int32_t last) {
  std::vector<std::uint16_t> sums;
  if (first < 0 || last < first) return sums;
  for (std::int32_t page = first / kSumPageSize; page <= last / kSumPageSize; ++page) {
    const std::int32_t from = std::max(first, page * kSumPageSize);
    const std::int32_t to = std::min(last, page * kSumPageSize + kSumPageSize - 1);
    unsigned sum = 0;
    for (std::int32_t a = from; a <= to; ++a) sum += image.at(a);
    sums.push_back(static_cast<std::uint16_t>(sum));
  }
  return sums;
}

Status pageSumCheck(const OpContext& ctx, std::int32_t first, std::int32_t last) {
  IspLink& link = ctx.link;
  if (link.stopRequested()) return Status::failure(Reason::Stopped);
  if (first < 0 || last < first || last > kLinkAddressLimit) return Status::failure(Reason::File);
  link.sendFrame(
      buildPageSumRequest(static_cast<std::uint32_t>(first), static_cast<std::uint32_t>(last)),
      kPageSumWaitMs);
  if (link.waitReply() != WaitOutcome::Ready) return Status::failure(Reason::NoAnswer);
  const Reply reply = link.takeReply();

  const std::vector<std::uint16_t> expected = imagePageSums(ctx.image, first, last);
  std::vector<unsigned> flash;
  for (std::size_t k = 0; k < expected.size(); ++k) {
    const auto sum = reply.word(kFirstSumAt + 2 * k);
    if (!sum) return Status::failure(Reason::NoAnswer);  // a reply short of a page is no answer
    flash.push_back(*sum);
  }
  for (std::size_t k = 0; k < expected.size(); ++k) {
    if (flash[k] == expected[k]) continue;
    const std::int32_t page = first / kSumPageSize + static_cast<std::int32_t>(k);
    const std::int32_t from = std::max(first, page * kSumPageSize);
    const std::int32_t to = std::min(last, page * kSumPageSize + kSumPageSize - 1);
    Status differs = Status::failure(Reason::Mismatch, "Verify is error!");
    differs.address = from;
    differs.expected = expected[k];
    differs.actual = flash[k];
    ctx.pane.append("\r\nAddress: " + upperHex(from, 6) + " - " + upperHex(to, 6) +
                    "\r\nBuffer:  sum " + upperHex(*differs.expected, 4) + "\r\nFlash:   sum " +
                    upperHex(*differs.actual, 4) + "\r\n\r\n" + differs.text);
    return differs;
  }
  return Status::success();
}

}  // namespace qrk

#include "ops/data_frame.h"

#include "link/frame.h"

namespace qrk {

std::uint8_t dataSum(const ImageBuffer& image, std::int32_t address, int count) {
  unsigned sum = 0;
  for (int i = 0; i < count; ++i) sum += image.at(address + i);
  return static_cast<std::uint8_t>(sum);
}

std::vector<std::uint8_t> buildDataFrame(const ImageBuffer& image, std::uint16_t address,
                                         std::uint16_t count, bool restart) {
  // The high half of the address is always 0.
  std::vector<std::uint8_t> params = bigEndianFields({{address, 4}, {count, 2}});
  params.reserve(params.size() + count);
  for (unsigned i = 0; i < count; ++i) params.push_back(image.at(address + static_cast<int>(i)));
  return buildRequest(restart ? cmd::kDataRestart : cmd::kData, params);
}

bool dataAckAccepted(const Reply& reply, unsigned chunkNumber, std::uint8_t sum) {
  if (reply.at(3) != kAckCode) return false;
  if (reply.word(1) == frame::minLength(false)) return true;
  return reply.word(4) == chunkNumber && reply.at(6) == sum;
}

}  // namespace qrk

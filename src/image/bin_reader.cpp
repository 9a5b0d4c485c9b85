#include "image/bin_reader.h"

#include <algorithm>
#include <vector>

#include "image/region_scan.h"

namespace qrk {

namespace {

// Stores what fits from `next` on; returns how many bytes were taken.
std::size_t storeChunk(ImageBuffer& image, std::int32_t next, std::span<const std::uint8_t> bytes,
                       ReadResult& result) {
  if (next < 0 || next > ImageBuffer::kLastIndex) return 0;
  const std::int64_t room = std::max<std::int64_t>(0, ImageBuffer::kLastIndex - next + 1);
  const std::size_t taken = static_cast<std::size_t>(
      std::min<std::int64_t>(room, static_cast<std::int64_t>(bytes.size())));
  const auto stored = bytes.first(taken);
  image.store(next, stored);
  for (std::uint8_t value : stored) result.sum += value;
  result.dataBytes += static_cast<std::int64_t>(taken);
  return taken;
}

void checkRegions(ImageBuffer& image, const ReadContext& context, std::int64_t storedCount,
                  RegionFlags& flags) {
  const SelectedModel& model = context.model;
  const MemoryLimits& limits = context.limits;
  image.fileStart = context.start;
  if (storedCount > 0) {
    image.fileEnd = static_cast<std::int32_t>(context.start + storedCount - 1);
  }
  if (model.apUpToIsp) {
    if (image.fileEnd > limits.apEnd) flags.ispBlock = true;
  } else if (model.mapKind == 0 || model.mapKind == 1) {
    if (image.fileEnd > limits.apEnd) flags.over = true;
    // No flash lies between the AP end and the upper block.
    fillBetween(image, limits.apEnd + 1, model.block1Start - 1, context.fillByte);
    if (hasIspArea(limits) && image.fileEnd >= model.block1Start) flags.ispBlock = true;
  } else {
    if (image.fileEnd > limits.apEnd) flags.dataMemory = true;
    if (hasIspArea(limits) && image.fileEnd >= limits.ispStart) flags.ispBlock = true;
  }
  if (image.fileEnd > model.topAddress) {
    flags.over = true;
    image.fileEnd = model.topAddress;
  }
  image.fileLoaded = true;
}

}  // namespace

ReadResult readBinBytes(ImageBuffer& image, std::span<const std::uint8_t> bytes,
                        const ReadContext& context) {
  ReadResult result;
  const std::size_t stored = storeChunk(image, context.start, bytes, result);
  checkRegions(image, context, static_cast<std::int64_t>(stored), result.flags);
  return result;
}

ReadResult readBinFile(ImageBuffer& image, std::FILE* file, const ReadContext& context) {
  ReadResult result;
  std::vector<std::uint8_t> chunk(64 * 1024);
  std::int64_t stored = 0;
  for (;;) {
    const std::int64_t next = context.start + stored;
    if (next > ImageBuffer::kLastIndex) break;  // the image is full: the rest is not read
    const std::size_t got = std::fread(chunk.data(), 1, chunk.size(), file);
    if (got == 0) {
      result.readable = std::ferror(file) == 0;
      break;
    }
    stored += static_cast<std::int64_t>(
        storeChunk(image, static_cast<std::int32_t>(next), {chunk.data(), got}, result));
  }
  checkRegions(image, context, stored, result.flags);
  return result;
}

}  // namespace qrk

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
  const UpperAreas areas = upperAreas(model, limits);
  if (areas.gap) {
    if (image.fileEnd >= areas.gap->first) flags.over = true;
    fillBetween(image, areas.gap->first, areas.gap->last, context.fillByte);
  }
  if (areas.dataMemory && image.fileEnd >= areas.dataMemory->first) flags.dataMemory = true;
  // Unlike a HEX file's, a BIN file's Block1 warns only where the ISP area
  // can hold a program.
  if (areas.isp && image.fileEnd >= areas.isp->first && (model.apUpToIsp || hasIspArea(limits))) {
    flags.ispBlock = true;
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

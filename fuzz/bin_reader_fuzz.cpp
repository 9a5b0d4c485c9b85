#include <cstdio>
#include <cstdlib>
#include <numeric>

#include "image/bin_reader.h"
#include "reader_settings.h"

namespace {

bool sameOutcome(const qrk::ReadResult& a, const qrk::ImageBuffer& imageA, const qrk::ReadResult& b,
                 const qrk::ImageBuffer& imageB) {
  return a.sum == b.sum && a.flags.over == b.flags.over &&
         a.flags.dataMemory == b.flags.dataMemory && a.flags.ispBlock == b.flags.ispBlock &&
         imageA.fileStart == imageB.fileStart && imageA.fileEnd == imageB.fileEnd &&
         imageA.bytes() == imageB.bytes();
}

}  // namespace

// A BIN file of any length must be read without a fault; its sum is the sum
// of the bytes that fit in the image, and reading it from a file in chunks
// gives the very image and verdicts that reading it from memory gives.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace qrk;
  const fuzz::ReaderInput input = fuzz::splitReaderInput(data, size);
  static ImageBuffer fromMemory;
  static ImageBuffer fromFile;
  fromMemory = ImageBuffer();
  fromMemory.fill(input.context.fillByte);
  const ReadResult result = readBinBytes(fromMemory, input.file, input.context);

  const std::size_t room = static_cast<std::size_t>(ImageBuffer::kSize - input.context.start);
  const auto stored = input.file.first(std::min(input.file.size(), room));
  if (result.sum != std::accumulate(stored.begin(), stored.end(), std::uint64_t{0})) std::abort();
  if (fromMemory.fileEnd > input.context.model.topAddress) std::abort();

  if (input.file.empty()) return 0;
  std::FILE* file = fmemopen(const_cast<std::uint8_t*>(input.file.data()), input.file.size(), "rb");
  if (file == nullptr) return 0;
  fromFile = ImageBuffer();
  fromFile.fill(input.context.fillByte);
  const ReadResult streamed = readBinFile(fromFile, file, input.context);
  std::fclose(file);
  if (!streamed.readable || !sameOutcome(result, fromMemory, streamed, fromFile)) std::abort();
  return 0;
}

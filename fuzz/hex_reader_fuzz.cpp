#include <algorithm>
#include <cstdlib>
#include <span>
#include <string_view>

#include "image/hex_reader.h"
#include "reader_settings.h"

// A HEX file of any content must be read without a fault, list no more lines
// than it counts, and leave every address above the model's space as the fill
// byte made it: data past the ISP end is dropped, never stored.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace qrk;
  const fuzz::ReaderInput input = fuzz::splitReaderInput(data, size);
  static ImageBuffer image;
  image.fill(input.context.fillByte);
  const std::string_view text(reinterpret_cast<const char*>(input.file.data()), input.file.size());
  const ReadResult result = readHexText(image, text, input.context);

  if (result.rejected.size() > ReadResult::kMaxListed ||
      result.checksumFailures.size() > ReadResult::kMaxListed ||
      result.rejectedCount < static_cast<std::int64_t>(result.rejected.size()) ||
      result.checksumFailureCount < static_cast<std::int64_t>(result.checksumFailures.size())) {
    std::abort();
  }
  const std::int32_t top = std::max(input.context.limits.ispEnd, input.context.model.topAddress);
  const auto above = std::span(image.bytes()).subspan(static_cast<std::size_t>(top) + 1);
  if (std::ranges::count(above, input.context.fillByte) != std::ssize(above)) std::abort();

  return 0;
}

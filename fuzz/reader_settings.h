#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "image/image_buffer.h"
#include "image/memory_map.h"
#include "image/reader_types.h"

namespace qrk::fuzz {

// The first input byte picks what the window would have set before a load:
// model (one per memory-map shape), ISP space, buffer start and fill byte. The
// rest of the input is the file.
struct ReaderInput {
  ReadContext context;
  std::span<const std::uint8_t> file;
};

inline ReaderInput splitReaderInput(const std::uint8_t* data, std::size_t size) {
  static constexpr const char* kModels[] = {"QRK5-04A", "QRK5-12A", "QRK5-64B", "QRK3-32F",
                                            "QRK3-64G", "QRK5-64E", "QRK5-08D", "QRK5-16B"};
  static constexpr const char* kIspSpaces[] = {"0.0k", "1.0k", "4.0k", "8.0k"};
  static constexpr const char* kStarts[] = {"0", "100", "FFF0", "11FF0"};
  const std::uint8_t pick = size > 0 ? data[0] : 0;

  ReaderInput input;
  ReadContext& c = input.context;
  selectModel(c.model, kModels[pick & 7]);
  const char* isp = kIspSpaces[(pick >> 4) & 3];
  c.limits = readLimits(memoryMapTexts(c.model, isp), c.model);
  const StartAddressCheck start = checkStartAddress(kStarts[pick >> 6], c.limits, c.model);
  c.start = start.accepted ? start.address : 0;
  c.fillByte = (pick & 8) != 0 ? 0x00 : 0xFF;
  if (size > 0) input.file = std::span<const std::uint8_t>(data + 1, size - 1);
  return input;
}

}  // namespace qrk::fuzz

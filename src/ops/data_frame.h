#pragma once

#include <cstdint>
#include <vector>

#include "image/image_buffer.h"
#include "link/isp_link.h"

namespace qrk {

// A data frame carries at most one 128-byte chunk; its chunk number is its
// address divided by 128.
inline constexpr int kMaxDataBytes = 128;
inline constexpr int kChunkSize = 128;

// 8-bit sum of image bytes address .. address + count - 1.
std::uint8_t dataSum(const ImageBuffer& image, std::int32_t address, int count);

// 6A LEN 03|04 00 00 ADDR(2) N(2) data SUM 16: command 0x04 when the block
// is being restarted. `address` must be at most 0xFFFF and `count` 1 .. 128:
// the caller checks the range, this only lays out bytes.
std::vector<std::uint8_t> buildDataFrame(const ImageBuffer& image, std::uint16_t address,
                                         std::uint16_t count, bool restart);

// The bootloader accepted the frame: reply code 0x80, and either a bare
// six-byte acknowledgement or one that echoes the chunk number and the data
// sum. A reply too short to hold the echo is refused.
bool dataAckAccepted(const Reply& reply, unsigned chunkNumber, std::uint8_t sum);

}  // namespace qrk

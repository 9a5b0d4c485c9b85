#pragma once

#include <functional>

#include "image/image_buffer.h"
#include "offline/board_image.h"

namespace qrk {

// One CRC-16/MODBUS per 128-byte block of the first 64 KB of the image, in
// target-address order, stored low byte first from board address 0xF000.
struct BlockCrcTable {
  static constexpr int kBlockCount = 512;
  static constexpr int kBlockSize = 128;

  // `onBlock(k)` runs after block k is stored, for progress.
  static void build(BoardImage& board, const ImageBuffer& image,
                    const std::function<void(int)>& onBlock = {});
};

}  // namespace qrk

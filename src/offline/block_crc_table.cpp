#include "offline/block_crc_table.h"

#include "link/crc16.h"

namespace qrk {

void BlockCrcTable::build(BoardImage& board, const ImageBuffer& image,
                          const std::function<void(int)>& onBlock) {
  for (int k = 0; k < kBlockCount; ++k) {
    const auto crc = crc16(image.bytes(), static_cast<std::size_t>(k) * kBlockSize, kBlockSize);
    board.set(board::kCrcTableAddress + 2 * k, crc[0]);
    board.set(board::kCrcTableAddress + 2 * k + 1, crc[1]);
    if (onBlock) onBlock(k);
  }
}

}  // namespace qrk

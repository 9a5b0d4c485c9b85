#include "offline/image_placement.h"

#include <algorithm>

#include "offline/block_crc_table.h"
#include "platform/text.h"

namespace qrk {

void placeImageInBoard(BoardImage& board, const BoardHeader& header, const ImageBuffer& image) {
  const std::int32_t lowerSize = board::kLowerAreaLast - board::kLowerAreaFirst + 1;
  const std::int32_t shift = header.separateIspCopy() ? header.ispLength : 0;
  if (shift != 0) {
    board.copyFromImage(image, header.ispStart, board::kHeaderAddress - shift, shift);
  }
  const std::int32_t apSize = board::kHeaderAddress - board::kUpperAreaFirst - shift;
  board.copyFromImage(image, 0, board::kUpperAreaFirst, apSize);
  board.copyFromImage(image, apSize, board::kLowerAreaFirst, lowerSize);
}

void assembleBoardImage(BoardImage& board, const LimitCounter& limit, const BoardHeader& header,
                        const ImageBuffer& image) {
  board.clearSentAreas();
  limit.writeTo(board);
  header.writeTo(board);
  BlockCrcTable::build(board, image);
  placeImageInBoard(board, header, image);
}

std::optional<AddressSpan> findDroppedData(const BoardHeader& header, const ImageBuffer& image,
                                           std::uint8_t fillByte) {
  const std::int32_t first = std::max(image.rangeLow, 0);
  const std::int32_t last = std::min(image.rangeHigh, ImageBuffer::kLastIndex);
  std::optional<AddressSpan> dropped;
  for (std::int32_t a = first; a <= last; ++a) {
    if (header.carries(a) || image.at(a) == fillByte) continue;
    if (!dropped) dropped = AddressSpan{a, a};
    dropped->last = a;
  }
  return dropped;
}

std::string droppedDataWarning(const AddressSpan& dropped) {
  const std::string first = upperHex(dropped.first, 5) + "H";
  const std::string last = upperHex(dropped.last, 5) + "H";
  return "Data from " + first + " to " + last +
         " lies where the offline board holds nothing and will not be downloaded. Download "
         "anyway?\r\n" +
         "数据 " + first + " - " + last + " 超出脱机烧录板的存放范围, 将不会下载。是否继续下载?";
}

}  // namespace qrk

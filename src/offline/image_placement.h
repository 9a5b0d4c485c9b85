#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "image/image_buffer.h"
#include "offline/board_header.h"
#include "offline/board_image.h"
#include "offline/limit_counter.h"

namespace qrk {

// Copies the image data into the board as the header describes it: the ISP
// copy first (when it has one of its own), then the application data into
// 0x4000 upwards, then the next 8 KB into the lower area 0x2000..0x3FFF.
void placeImageInBoard(BoardImage& board, const BoardHeader& header, const ImageBuffer& image);

// The whole BoardImage as a download sends it, in one go: the sent areas
// cleared, the limit, the parameter block, the block CRC table and the image.
void assembleBoardImage(BoardImage& board, const LimitCounter& limit, const BoardHeader& header,
                        const ImageBuffer& image);

struct AddressSpan {
  std::int32_t first = 0;
  std::int32_t last = 0;
};

// Loaded data the board's copies would leave behind: the first and last byte
// of the range of interest that the layout does not carry and that holds
// something other than the fill byte (a gap between two loaded files holds
// only fill). nullopt when nothing would be lost.
std::optional<AddressSpan> findDroppedData(const BoardHeader& header, const ImageBuffer& image,
                                           std::uint8_t fillByte);

// The warning that names the dropped span; a Yes/No question whose Yes
// downloads anyway.
std::string droppedDataWarning(const AddressSpan& dropped);

}  // namespace qrk

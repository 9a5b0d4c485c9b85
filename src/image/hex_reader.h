#pragma once

#include <cstdio>
#include <string_view>

#include "image/image_buffer.h"
#include "image/reader_types.h"

namespace qrk {

// Reads an Intel HEX file into the image at the buffer start address, honouring
// extended segment (02) and extended linear (04) address records, and sets
// fileStart / fileEnd and fileLoaded. Data above the ISP end is dropped and
// reported; malformed lines are rejected whole and listed; a record whose checksum
// fails is stored all the same and listed. The file is read from where it stands.
ReadResult readHexFile(ImageBuffer& image, std::FILE* file, const ReadContext& context);

// The same for a file already in memory.
ReadResult readHexText(ImageBuffer& image, std::string_view text, const ReadContext& context);

}  // namespace qrk

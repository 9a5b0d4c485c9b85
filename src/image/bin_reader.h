#pragma once

#include <cstdint>
#include <cstdio>
#include <span>

#include "image/image_buffer.h"
#include "image/reader_types.h"

namespace qrk {

// Reads a raw BIN file into the image from the buffer start address on and sets
// fileStart / fileEnd and fileLoaded. Bytes that would lie past the image are
// neither stored nor read: the file is then over the valid scope in any case, and
// the sum covers the bytes stored. An empty file leaves fileEnd as it was, as a
// HEX file without data does. The file is read from where it stands.
ReadResult readBinFile(ImageBuffer& image, std::FILE* file, const ReadContext& context);

// The same for bytes already in memory.
ReadResult readBinBytes(ImageBuffer& image, std::span<const std::uint8_t> bytes,
                        const ReadContext& context);

}  // namespace qrk

#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "device/mcu_model.h"
#include "image/image_buffer.h"
#include "image/memory_map.h"

namespace qrk {

enum class FileFormat { Hex, Bin };

// What a reader needs from the window: the selected model, the limits read back
// from the memory-map boxes, the checked buffer start address and the fill byte.
struct ReadContext {
  SelectedModel model;
  MemoryLimits limits;
  std::int32_t start = 0;  // from checkStartAddress, never parsed again; never negative
  std::uint8_t fillByte = kDefaultFillByte;
};

// The three region warnings a load can raise.
struct RegionFlags {
  bool over = false;        // data outside the valid space was dropped or wiped
  bool dataMemory = false;  // data in the Data Memory area (kind 2)
  bool ispBlock = false;    // data in the ISP or Block1 area
  bool any() const { return over || dataMemory || ispBlock; }
};

enum class RecordProblem {
  OddDigitCount,
  NonHexCharacter,
  TooShort,            // fewer than five bytes: count, address, type, checksum
  CountMismatch,       // the count byte disagrees with the record's length
  TooLong,             // more bytes than the reader holds
  BadExtendedAddress,  // an extended address record without exactly two data bytes
};

std::string_view describe(RecordProblem problem);

// A HEX line that was not used at all: none of its bytes reached the image.
struct RejectedLine {
  std::int64_t lineNumber = 0;  // 1-based; CR, LF and CR LF each end a line
  RecordProblem problem = RecordProblem::TooShort;
};

struct ReadResult {
  bool readable = true;   // false when reading the file failed part way
  std::uint64_t sum = 0;  // the file's content, as the checksum box shows it
  RegionFlags flags;
  // Whole lines (colon included) of records whose checksum failed; they were
  // stored all the same. At most kMaxListed are kept, `checksumFailureCount`
  // counts them all.
  std::vector<std::string> checksumFailures;
  std::int64_t checksumFailureCount = 0;
  // Rejected lines in file order; at most kMaxListed kept, `rejectedCount` counts all.
  std::vector<RejectedLine> rejected;
  std::int64_t rejectedCount = 0;
  // HEX lines that are neither blank nor a record (text, markup, binary
  // bytes): skipped, their line numbers kept as `rejected` are.
  std::vector<std::int64_t> strayLines;
  std::int64_t strayLineCount = 0;
  // The data bytes the file carries, stored or not: none means that there is
  // nothing to program, whatever else the file holds.
  std::int64_t dataBytes = 0;
  // HEX: the end-of-file record was read; a file without it may be cut off.
  bool endRecordSeen = false;

  // Enough to tell every problem of a real file while a garbage file of
  // gigabytes cannot exhaust memory.
  static constexpr std::size_t kMaxListed = 10000;
};

}  // namespace qrk

#pragma once

#include <cstdint>
#include <functional>

#include "ops/op_context.h"

namespace qrk {

inline constexpr const char* kOpenFileFirstText = "    Please open file./请打开文件。   ";

// Retries: a block is sent up to six times, the final part of a range up to
// three; every retry restarts the block with command 0x04.
inline constexpr int kBlockAttempts = 6;
inline constexpr int kFinalPartAttempts = 3;

// Called by programImage once it knows a file is loaded and before anything is
// sent: the caller's chance to reload the file before a single run and to arm
// the serial number. It may change the image and its range. A failure stops
// the program before anything is sent (the callback has told the user why).
using PrepareImage = std::function<Status()>;

// Program: writes the image's range of interest, rangeLow .. rangeHigh, in
// blocks of the model's block size. With no file loaded it asks the user to
// open one (Reason::File), or, while the ISP DEMO is written, does nothing.
// For kinds 0 and 1 the flash is then read back and compared before
// "Verify  OK!" is printed: those kinds have no separate verify step.
// A frame the chip never acknowledged fails it with NoAnswer or Refused; the
// read-back with Mismatch; Stop prints nothing.
Status programImage(const OpContext& ctx, bool showMessages, const PrepareImage& prepare = {});

// The Program step while the ISP DEMO firmware is written: the top kilobyte
// first, then the image; a failure of the kilobyte fails the step.
Status programTopKilobyteAndImage(const OpContext& ctx, bool showMessages,
                                  const PrepareImage& prepare = {});

// The block loop behind programImage: whole blocks from rangeLow rounded down
// to the block size, then the final part up to rangeHigh. An empty, inverted
// or out-of-reach range is refused in the pane before anything is sent.
Status programBlocks(const OpContext& ctx);

// The top 1,024 bytes of the model's space, every block with six attempts.
Status programTopKilobyte(const OpContext& ctx);

// Sends first .. last as data frames of up to 128 bytes; `restart` applies to
// the first frame only. Stops at the first frame that fails, with its status.
Status sendChunks(const OpContext& ctx, std::int32_t first, std::int32_t last, bool restart);

// One data frame and its acknowledgement. Stopped, or File when the frame
// could not carry the address, without sending; NoAnswer when no reply came,
// Refused when the reply did not acknowledge the frame (both with its
// address; if the user is closing the window, the close falls due).
Status sendDataFrame(const OpContext& ctx, std::int32_t address, int count, bool restart);

}  // namespace qrk

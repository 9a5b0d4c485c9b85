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
// the serial number. It may change the image and its range. False stops the
// program before anything is sent (the callback has told the user why).
using PrepareImage = std::function<bool()>;

// Program: writes the image's range of interest, rangeLow .. rangeHigh, in
// blocks of the model's block size. With no file loaded it asks the user to
// open one (-1), or, while the ISP DEMO is written, does nothing (0).
// For kinds 0 and 1 the flash is then read back and compared before
// "Verify  OK!" is printed: those kinds have no separate verify step.
// 0 success, -1 failure, refusal or Stop (Stop prints nothing).
int programImage(const OpContext& ctx, bool showMessages, const PrepareImage& prepare = {});

// The Program step while the ISP DEMO firmware is written: the top kilobyte
// first, then the image; a failure of the kilobyte fails the step.
int programTopKilobyteAndImage(const OpContext& ctx, bool showMessages,
                               const PrepareImage& prepare = {});

// The block loop behind programImage: whole blocks from rangeLow rounded down
// to the block size, then the final part up to rangeHigh. An empty, inverted
// or out-of-reach range is refused in the pane before anything is sent.
int programBlocks(const OpContext& ctx);

// The top 1,024 bytes of the model's space, every block with six attempts.
int programTopKilobyte(const OpContext& ctx);

// Sends first .. last as data frames of up to 128 bytes; `restart` applies to
// the first frame only. 0, or -1 at the first frame that fails.
int sendChunks(const OpContext& ctx, std::int32_t first, std::int32_t last, bool restart);

// One data frame and its acknowledgement. -1 without sending on Stop or when
// the frame could not carry the address; -1 when no acceptable
// acknowledgement came (and, if the user is closing the window, the close
// falls due).
int sendDataFrame(const OpContext& ctx, std::int32_t address, int count, bool restart);

}  // namespace qrk

#pragma once

#include <cstdint>
#include <string>

#include "ops/op_context.h"

namespace qrk {

inline constexpr int kVerifyChunkAttempts = 6;
inline constexpr int kVerifyByChecksumAttempts = 6;
inline constexpr const char* kVerifyCommFailureLine = "Communication is failure! / 通讯失败";
inline constexpr const char* kVerifyCommFailureText = "\r\nCommunication is failure! / 通讯失败";

// The pane's report of a byte that differs: its address, the image's byte,
// the chip's byte, then the status's line.
std::string mismatchReport(const Status& status);

// Reads address .. address + count - 1 back and compares it with the image.
// Each read-back is preceded by a silent ID request, as chips in the field have
// always seen it; its answer is not needed. Success when equal; NoAnswer (no
// reply that answers the read) or Stopped; Mismatch with the first byte that
// differs, reported in the pane.
Status verifyChunk(const OpContext& ctx, std::int32_t address, int count);

// Reads first .. last back chunk by chunk and compares it, with progress. A
// range the link cannot reach is refused before anything is sent. A missing
// reply is reported (with showMessages) as a communication failure; Stop ends
// it silently. Success only when every byte was compared equal.
Status verifyRange(const OpContext& ctx, std::int32_t first, std::int32_t last, bool showMessages);

// Verify by reading back: the whole range of interest, rangeLow .. rangeHigh,
// so every programmed byte (merged files and the serial number included) is
// compared; while the ISP DEMO is written, also the top kilobyte, and without
// a file only that. "Verify OK!" only on success; Stop gives no verdict.
Status verifyImage(const OpContext& ctx, bool showMessages);

// Verify by page sums (kind 2, recent bootloaders): the range of interest and
// the top kilobyte; while the ISP DEMO is written without a file, the top
// kilobyte alone. A difference is a verify failure ("Verify is error!"), a
// missing answer a communication failure; Stop gives no verdict.
Status verifyByChecksum(const OpContext& ctx, bool showMessages);

}  // namespace qrk

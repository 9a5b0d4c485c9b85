#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "ops/op_context.h"

namespace qrk {

inline constexpr int kReadAttempts = 6;
// The whole reply must fit the 531-byte receive buffer: 10 header bytes, the
// data, the check and the end byte.
inline constexpr int kMaxReadBytes = 519;
// Where a read reply's data bytes begin (after 68 LEN(2) 00 ADDR(4) COUNT(2)).
inline constexpr std::size_t kReadReplyDataAt = 10;

// 6A 00 0C 00 ADDR(4) COUNT(2) SUM 16.
std::vector<std::uint8_t> buildReadRequest(std::uint32_t address, std::uint16_t count);

// Whether a read reply answers a request for `count` bytes at `address`: it
// echoes both and actually holds that many data bytes.
bool readReplyAnswers(const Reply& reply, std::int32_t address, int count);

// One read request: success when a reply that answers it arrived (stored in
// *reply when given, and copied into the image when `copy` is set); Stopped or
// File (a range the link cannot read) without sending; NoAnswer for no reply
// or a reply that does not answer the request.
Status readChunk(const OpContext& ctx, std::int32_t address, int count, bool copy,
                 Reply* reply = nullptr);

// Writes the reply's data bytes into the image at the address it echoes;
// bytes beyond the image or beyond what the reply holds are skipped.
void copyReplyToImage(const Reply& reply, ImageBuffer& image);

// Read_AP_ISP: the target's 64 K code space into the image, 128 bytes per
// request, each tried six times; range 0 .. 0xFFFF on success. On failure or
// Stop the image is marked not loaded, so a half-read image is never
// programmed into another chip (nor should the caller store it).
Status readFlash(const OpContext& ctx);

}  // namespace qrk

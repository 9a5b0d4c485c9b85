#pragma once

#include <cstdint>
#include <vector>

#include "ops/op_context.h"

namespace qrk {

inline constexpr std::int32_t kSumPageSize = 256;
inline constexpr int kPageSumWaitMs = 4000;

// 6A 00 0E 0D FIRST(4) LAST(4) SUM 16.
std::vector<std::uint8_t> buildPageSumRequest(std::uint32_t first, std::uint32_t last);

// One 16-bit sum per 256-byte page touched by first .. last, each over the
// part of its page inside the range, as the bootloader computes them.
std::vector<std::uint16_t> imagePageSums(const ImageBuffer& image, std::int32_t first,
                                         std::int32_t last);

// Asks the bootloader for the page sums of first .. last and compares them
// with the image: success when equal; Stopped or File (a range the link cannot
// reach) without sending; NoAnswer for no reply or one without a sum for every
// page; Mismatch for a difference, reported in the pane (the first page that
// differs, its first address and both sums).
Status pageSumCheck(const OpContext& ctx, std::int32_t first, std::int32_t last);

}  // namespace qrk

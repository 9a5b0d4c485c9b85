#pragma once

#include <cstdint>
#include <string>

namespace qrk {

// The text of "File Check Sum/文件校验和(HEX):" for a sum of file bytes: its last
// seven uppercase hex digits, zero-padded, then "H" and seven spaces.
std::string checksumText(std::uint64_t sum);

}  // namespace qrk

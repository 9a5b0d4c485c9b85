#include "image/checksum_text.h"

#include "image/memory_map.h"

namespace qrk {

std::string checksumText(std::uint64_t sum) { return hexDigits(sum, 7) + "H       "; }

}  // namespace qrk

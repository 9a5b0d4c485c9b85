#include "image/checksum_text.h"

#include "platform/text.h"

namespace qrk {

std::string checksumText(std::uint64_t sum) { return lastHexDigits(sum, 7) + "H       "; }

}  // namespace qrk

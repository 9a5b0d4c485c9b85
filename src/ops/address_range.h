#pragma once

#include <cstdint>

#include "link/status.h"
#include "platform/message_pane.h"

namespace qrk {

// Data frames carry a 16-bit address and read replies echo one: the link
// reaches no byte above this.
inline constexpr std::int32_t kLinkAddressLimit = 0xFFFF;

// Whether first .. last (inclusive) can be sent over the link: not empty or
// inverted, not below 0, not beyond kLinkAddressLimit. A refused range
// (Reason::File: the image cannot go there) is explained in the pane; nothing
// must be sent for it.
Status checkLinkRange(MessagePane& pane, std::int32_t first, std::int32_t last);

// The last 1,024 bytes of a model's space, topAddress - 1023 .. topAddress:
// where the ISP DEMO firmware goes.
inline constexpr std::int32_t kTopKilobyte = 1024;
struct AddressSpan {
  std::int32_t first;
  std::int32_t last;
};
inline AddressSpan topKilobyte(std::int32_t topAddress) {
  return {topAddress - (kTopKilobyte - 1), topAddress};
}

}  // namespace qrk

#pragma once

#include <cstdint>

#include "platform/message_pane.h"

namespace qrk {

// Data frames carry a 16-bit address and read replies echo one: the link
// reaches no byte above this.
inline constexpr std::int32_t kLinkAddressLimit = 0xFFFF;

// Whether first .. last (inclusive) can be sent over the link: not empty or
// inverted, not below 0, not beyond kLinkAddressLimit. A refused range is
// explained in the pane; nothing must be sent for it.
bool checkLinkRange(MessagePane& pane, std::int32_t first, std::int32_t last);

}  // namespace qrk

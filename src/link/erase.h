#pragma once

#include "link/isp_link.h"
#include "platform/message_pane.h"

namespace qrk {

// Erases the whole chip: 0 when the bootloader acknowledged, -1 otherwise
// (quietly after Stop).
int eraseChip(IspLink& link, MessagePane& pane);

}  // namespace qrk

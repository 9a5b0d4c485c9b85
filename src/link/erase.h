#pragma once

#include "link/isp_link.h"
#include "link/status.h"
#include "platform/message_pane.h"

namespace qrk {

// Erases the whole chip: success when the bootloader acknowledged, NoAnswer
// otherwise (Stopped, quietly, after Stop).
Status eraseChip(IspLink& link, MessagePane& pane);

}  // namespace qrk

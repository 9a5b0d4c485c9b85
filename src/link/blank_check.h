#pragma once

#include "link/isp_link.h"
#include "platform/message_pane.h"

namespace qrk {

struct BlankCheckTiming {
  static constexpr int kAttempts = 6;
  static constexpr int kAckSends = 8;
  // The bootloader reads the whole flash before it answers.
  static constexpr int kResultWaitMs = 6000;
};

// Asks the bootloader whether the whole flash reads erased. 0 blank, -2 not
// blank (the first programmed address and its byte are printed), -1 no verdict
// (a failure line is printed, unless Stop ended it).
int blankCheck(IspLink& link, MessagePane& pane);

}  // namespace qrk

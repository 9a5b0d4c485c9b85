#pragma once

#include <string>

#include "link/isp_link.h"
#include "link/status.h"
#include "platform/message_pane.h"

namespace qrk {

// Asks the bootloader whether the whole flash reads erased: success when
// blank; NotBlank with the first programmed address and its byte (printed);
// NoAnswer without a verdict (a failure line is printed) or Stopped.
Status blankCheck(IspLink& link, MessagePane& pane);

// "0012A0H = 5A": the line that reports a NotBlank status.
std::string notBlankText(const Status& status);

}  // namespace qrk

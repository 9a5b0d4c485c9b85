#pragma once

#include <optional>

#include "device/option_bytes.h"
#include "device/option_panel.h"
#include "link/isp_link.h"
#include "link/status.h"
#include "platform/message_pane.h"

namespace qrk {

// Attempts at reading or writing the option bytes before giving up.
inline constexpr int kOptionAttempts = 6;

// Reads the chip's option bytes. On success the read-back labels show them,
// and with showMessages the pane gets "Read Option OK!" and the report;
// *bytesRead receives them. NoAnswer when no good reply came: the labels
// stay, and with showMessages the pane says so (Stopped, quietly, after Stop). The
// request's family byte is the link's map kind.
Status readOption(IspLink& link, MessagePane& pane, OptionPanel& panel, MapKind mapKind,
                  bool showMessages, std::optional<OptionBytes>* bytesRead = nullptr);

// Writes the option bytes the panel stands for: success when the chip
// acknowledged them, NoAnswer (or Stopped) otherwise. Anything that follows a successful write (the
// serial number) is the caller's business.
Status writeOption(IspLink& link, MessagePane& pane, const OptionPanel& panel, MapKind mapKind,
                   bool showMessages);

}  // namespace qrk

#pragma once

#include <optional>

#include "device/option_bytes.h"
#include "device/option_panel.h"
#include "link/isp_link.h"
#include "platform/message_pane.h"

namespace qrk {

// Attempts at reading or writing the option bytes before giving up.
inline constexpr int kOptionAttempts = 6;

// Reads the chip's option bytes. On success (0) the read-back labels show
// them, and with showMessages the pane gets "Read Option OK!" and the report;
// *bytesRead receives them. -1 when no good reply came: the labels stay, and
// with showMessages the pane says so unless the user stopped the run. The
// request's family byte is the link's map kind.
int readOption(IspLink& link, MessagePane& pane, OptionPanel& panel, int mapKind, bool showMessages,
               std::optional<OptionBytes>* bytesRead = nullptr);

// Writes the option bytes the panel stands for: 0 when the chip acknowledged
// them, -1 otherwise. Anything that follows a successful write (the serial
// number) is the caller's business.
int writeOption(IspLink& link, MessagePane& pane, const OptionPanel& panel, int mapKind,
                bool showMessages);

}  // namespace qrk

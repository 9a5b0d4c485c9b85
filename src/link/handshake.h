#pragma once

#include <cstdint>
#include <string>

#include "link/isp_link.h"
#include "link/status.h"
#include "platform/message_pane.h"

namespace qrk {

struct HandshakeTiming {
  static constexpr int kPasses = 4;
  static constexpr int kAttemptsPerPass = 201;
  static constexpr int kVersionAttempts = 4;
  static constexpr int kVersionWaitMs = 300;
  static constexpr int kRunSyncWaitMs = 20;
  static constexpr std::uint8_t kRunSyncParameter = 0xF0;
};

// Sends the handshake again and again while the user powers the target on;
// the bootloader must answer in each of four passes. Then reads the version
// and prints it. Success when connected; NoAnswer, or Stopped after Stop at
// any point (a stopped connection is never taken as connected).
// `bootloaderVersion` becomes two hex digits, or "0" when no version came.
Status connectTarget(IspLink& link, MessagePane& pane, int syncWaitMs, std::uint8_t syncParameter,
                     std::string& bootloaderVersion);

}  // namespace qrk

#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "ops/programmer.h"

namespace qrk {

// How the start of a session with a bootloader went.
struct ConnectOutcome {
  bool portOpened = false;
  bool connected = false;
  std::string version;  // two hex digits, or "0"/empty when none came
  // How the target's supply went on; nullopt when the programmer does not
  // switch it. Anything but Done skipped the handshake.
  std::optional<SupplyStep> supply;
};

// The start of every session with a bootloader on the programmer's port: Stop
// is live from here on, the port opens, and the handshake runs until the
// target answers, the time runs out or Stop is pressed. Writes nothing about a
// port that does not open: a run and the board's download each say it their
// own way. A fixture's supply is switched between the open and the handshake:
// only then are the port's lines the programmer's, and the handshake must
// follow the power-on at once to fall inside the chip's boot window.
ConnectOutcome openAndConnect(Programmer& p, int syncWaitMs, std::uint8_t syncParameter);

}  // namespace qrk

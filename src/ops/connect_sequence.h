#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "ops/programmer.h"

namespace qrk {

// How the start of a session with a bootloader went.
struct ConnectOutcome {
  bool portOpened = false;
  bool connected = false;
  std::string version;  // two hex digits, or "0"/empty when none came
};

// The start of every session with a bootloader on the programmer's port: Stop
// is live from here on, the port opens, and the handshake runs until the
// target answers, the time runs out or Stop is pressed. Writes nothing about a
// port that does not open: a run and the board's download each say it their
// own way. `afterOpen`, when given, runs between the open and the handshake
// (a fixture powers the target there, once the lines are the programmer's);
// false from it skips the handshake and leaves `connected` false.
ConnectOutcome openAndConnect(Programmer& p, int syncWaitMs, std::uint8_t syncParameter,
                              const std::function<bool()>& afterOpen = {});

}  // namespace qrk

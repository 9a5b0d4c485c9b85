#include "ops/connect_sequence.h"

#include "link/handshake.h"
#include "link/status.h"

namespace qrk {

ConnectOutcome openAndConnect(Programmer& p, int syncWaitMs, std::uint8_t syncParameter,
                              const std::function<bool()>& afterOpen) {
  ConnectOutcome outcome;
  IspLink& link = p.link();
  link.clearStop();
  p.controls().stopEnabled = true;
  if (!link.openPort(p.portName())) return outcome;
  outcome.portOpened = true;
  if (afterOpen && !afterOpen()) return outcome;
  outcome.connected =
      connectTarget(link, p.pane(), syncWaitMs, syncParameter, outcome.version).ok();
  return outcome;
}

}  // namespace qrk

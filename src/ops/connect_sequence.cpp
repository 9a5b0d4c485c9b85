#include "ops/connect_sequence.h"

#include "link/handshake.h"
#include "link/status.h"

namespace qrk {

ConnectOutcome openAndConnect(Programmer& p, int syncWaitMs, std::uint8_t syncParameter) {
  ConnectOutcome outcome;
  IspLink& link = p.link();
  link.clearStop();
  p.controls().stopEnabled = true;
  if (!link.openPort(p.portName())) return outcome;
  outcome.portOpened = true;
  if (p.supply().supplySwitch().switched()) {
    outcome.supply = p.supply().switchOn(p.portName(), [&link] { return link.stopRequested(); });
    if (!outcome.supply->ok()) return outcome;
  }
  outcome.connected =
      connectTarget(link, p.pane(), syncWaitMs, syncParameter, outcome.version).ok();
  return outcome;
}

}  // namespace qrk

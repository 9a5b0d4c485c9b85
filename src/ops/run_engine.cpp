#include "ops/run_engine.h"

#include <optional>

#include "link/handshake.h"
#include "ops/connect_sequence.h"
#include "ops/functions.h"
#include "platform/beep_alert.h"

namespace qrk {

namespace {

void closeRun(Programmer& p) {
  p.link().closePort();
  p.link().setTimingDefaults();
  p.controls().stopEnabled = false;
}

// The end of every run: the supply off, the port closed, the default timing
// back. A supply that did not go off fails the run: the chip is not safe to
// take out.
void endRun(Programmer& p, RunResult& result) {
  const SupplyStep off = p.supply().switchOff(p.portName());
  if (!off.ok()) {
    p.pane().append(std::string(kSupplyFailureText) + off.message);
    result.status = kOpFailed;
  }
  closeRun(p);
}

}  // namespace

RunResult runSelectedFunction(Programmer& p, const std::string& function,
                              const std::string& portName) {
  RunResult result;
  IspLink& link = p.link();
  MessagePane& pane = p.pane();
  p.host().phaseStarted(kConnectPhase);
  p.beginChip();
  pane.replace("We are connecting ...\r\n");
  p.setPortName(portName);
  link.setUseCrc(false);
  link.setMapKind(p.model().mapKind);

  std::optional<SupplyStep> supplyOn;
  const ConnectOutcome connection = openAndConnect(
      p, HandshakeTiming::kRunSyncWaitMs, HandshakeTiming::kRunSyncParameter, [&] {
        if (!p.supply().supplySwitch().switched()) return true;
        supplyOn = p.supply().switchOn(portName, [&link] { return link.stopRequested(); });
        return supplyOn->ok();
      });
  if (!connection.portOpened) {
    beepAlert(p.host(), p.loop());
    pane.append(kOpenFailureText);
    p.host().phaseEnded(kConnectPhase, false);
    endRun(p, result);
    return result;
  }
  result.portOpened = true;

  if (supplyOn) {
    const SupplyStep& on = *supplyOn;
    if (on.ending == SupplyStep::Ending::Refused) {
      // Nothing went out, and nothing must: the supply was never touched.
      result.refusal = on.message;
      pane.append("\r\n" + on.message);
      p.host().phaseEnded(kConnectPhase, false);
      closeRun(p);
      return result;
    }
    result.supplySwitched = true;
    if (!on.ok()) {
      result.stopped = link.stopRequested();
      if (!result.stopped) {
        beepAlert(p.host(), p.loop());
        pane.append(std::string(kSupplyFailureText) + on.message);
      }
      p.host().phaseEnded(kConnectPhase, false);
      endRun(p, result);
      return result;
    }
  }

  const std::string& version = connection.version;
  if (!connection.connected) {
    p.setBootloaderVersion(version.empty() ? "0" : version);
    result.stopped = link.stopRequested();
    if (!result.stopped) {
      beepAlert(p.host(), p.loop());
      pane.append(kConnectFailureText);
    }
    p.host().phaseEnded(kConnectPhase, false);
    endRun(p, result);
    return result;
  }
  p.setBootloaderVersion(version);
  result.connected = true;
  p.host().phaseEnded(kConnectPhase, true);

  p.host().setProgressValue(0);
  p.host().setKbyteText("");
  const FunctionEntry* entry = findFunction(function);
  if (entry != nullptr && !link.stopRequested()) {
    p.host().phaseStarted(function);
    result.status = entry->single(p);
    p.host().phaseEnded(function, result.status == 0 && !link.stopRequested());
  }
  result.stopped = link.stopRequested();
  endRun(p, result);
  return result;
}

}  // namespace qrk

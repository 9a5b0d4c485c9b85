#include "ops/run_engine.h"

#include "link/handshake.h"
#include "ops/connect_sequence.h"
#include "ops/functions.h"
#include "platform/beep_alert.h"

namespace qrk {

namespace {

// The end of every run: the port closed, the default timing back.
void endRun(Programmer& p) {
  p.link().closePort();
  p.link().setTimingDefaults();
  p.controls().stopEnabled = false;
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

  const ConnectOutcome connection =
      openAndConnect(p, HandshakeTiming::kRunSyncWaitMs, HandshakeTiming::kRunSyncParameter);
  if (!connection.portOpened) {
    beepAlert(p.host(), p.loop());
    pane.append(kOpenFailureText);
    p.host().phaseEnded(kConnectPhase, false);
    endRun(p);
    return result;
  }
  result.portOpened = true;

  const std::string& version = connection.version;
  if (!connection.connected) {
    p.setBootloaderVersion(version.empty() ? "0" : version);
    result.stopped = link.stopRequested();
    if (!result.stopped) {
      beepAlert(p.host(), p.loop());
      pane.append(kConnectFailureText);
    }
    p.host().phaseEnded(kConnectPhase, false);
    endRun(p);
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
  endRun(p);
  return result;
}

}  // namespace qrk

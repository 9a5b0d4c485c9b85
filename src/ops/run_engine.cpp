#include "ops/run_engine.h"

#include "link/handshake.h"
#include "ops/connect_sequence.h"
#include "ops/function_list_runner.h"
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
    const std::string line = kSupplyFailureLine + off.message;
    p.pane().append("\r\n" + line);
    if (result.status.ok()) result.status = Status::failure(Reason::Fixture, line);
  }
  closeRun(p);
}

}  // namespace

RunResult runSelectedFunction(Programmer& p, std::optional<FunctionId> function,
                              const std::string& portName) {
  RunResult result;
  IspLink& link = p.link();
  MessagePane& pane = p.pane();
  result.function = function;
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
    result.status = Status::failure(Reason::Port, kOpenFailureLine);
    p.host().phaseEnded(kConnectPhase, false);
    endRun(p, result);
    return result;
  }
  result.portOpened = true;

  if (connection.supply) {
    const SupplyStep& on = *connection.supply;
    if (on.ending == SupplyStep::Ending::Refused) {
      // Nothing went out, and nothing must: the supply was never touched.
      result.refused = true;
      result.status = Status::failure(Reason::Usage, on.message);
      pane.append("\r\n" + on.message);
      p.host().phaseEnded(kConnectPhase, false);
      closeRun(p);
      return result;
    }
    result.supplySwitched = true;
    if (!on.ok()) {
      result.stopped = link.stopRequested();
      if (result.stopped) {
        result.status = Status::failure(Reason::Stopped, kStopText);
      } else {
        beepAlert(p.host(), p.loop());
        const std::string line = kSupplyFailureLine + on.message;
        pane.append("\r\n" + line);
        result.status = Status::failure(Reason::Fixture, line);
      }
      p.host().phaseEnded(kConnectPhase, false);
      endRun(p, result);
      return result;
    }
  }

  const std::string& version = connection.version;
  if (connection.connected) {
    p.setBootloaderVersion(version);
    result.connected = true;
    p.host().phaseEnded(kConnectPhase, true);
  } else {
    p.setBootloaderVersion(version.empty() ? "0" : version);
    if (!link.stopRequested()) {
      beepAlert(p.host(), p.loop());
      pane.append(kConnectFailureText);
      result.status = Status::failure(Reason::NoAnswer, kConnectFailureLine);
    }
    p.host().phaseEnded(kConnectPhase, false);
  }

  if (result.connected) {
    p.host().setProgressValue(0);
    p.host().setKbyteText("");
    if (!function) {
      result.status = Status::failure(Reason::Usage, "no function is selected");
    } else if (!link.stopRequested()) {
      const FunctionEntry& entry = functionEntry(*function);
      const std::string name(entry.name);
      result.step = entry.id;
      p.host().phaseStarted(name);
      if (entry.id == FunctionId::Auto) {
        ListResult list = runFunctionList(p);
        result.status = std::move(list.status);
        result.step = list.step;
      } else {
        result.status = entry.single(p);
      }
      p.host().phaseEnded(name, result.status.ok() && !link.stopRequested());
    }
  }
  result.stopped = link.stopRequested();
  // Whatever the function made of it, a stopped run is the user's doing.
  if (result.stopped) result.status = Status::failure(Reason::Stopped, kStopText);
  endRun(p, result);
  return result;
}

}  // namespace qrk

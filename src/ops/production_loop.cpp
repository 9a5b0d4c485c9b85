#include "ops/production_loop.h"

#include "ops/run_engine.h"

namespace qrk {

namespace {
constexpr int kTickMs = 1000;
}

ProductionLoop::ProductionLoop(Programmer& programmer)
    : p_(programmer), tick_(programmer.loop().createTimer()) {}

ProductionLoop::~ProductionLoop() = default;

void ProductionLoop::lock() {
  active_ = true;
  p_.controls().locked = true;
}

void ProductionLoop::unlock() {
  active_ = false;
  p_.controls().locked = false;
  p_.controls().stopEnabled = false;
}

RunResult ProductionLoop::run(std::optional<FunctionId> function, bool demoWrite) {
  if (active_) return RunResult{};
  lock();
  p_.flags().singleRun = true;
  p_.flags().demoWriteMode = demoWrite;
  const RunResult result = runSelectedFunction(p_, function, p_.portName());
  p_.flags().demoWriteMode = false;
  unlock();
  return result;
}

bool ProductionLoop::runExclusive(const std::function<void()>& work) {
  if (active_) return false;
  lock();
  work();
  unlock();
  return true;
}

int ProductionLoop::delayAfter(const RunResult& result) const {
  if (result.function == FunctionId::Auto && !result.ok()) {
    return ProductionSettings::kDelayAfterFailure;
  }
  return p_.production().delaySeconds();
}

bool ProductionLoop::countdown(int seconds) {
  MessagePane& pane = p_.pane();
  const std::string base = pane.text();
  for (int n = seconds; n >= 1; --n) {
    if (reRunStopped_) return false;
    pane.replace(base + "\r\nwill Re-Run... " + std::to_string(n));
    tick_->start(kTickMs);
    // Stop ends the second at once rather than at its end.
    p_.loop().waitUntil([this] { return !tick_->isActive() || reRunStopped_; });
  }
  tick_->stop();
  return !reRunStopped_;
}

StartWait ProductionLoop::waitForStart() {
  StartGate& gate = p_.startGate();
  IspLink& link = p_.link();
  const bool onLine = gate.signal().kind == StartSignal::Kind::Line;
  // A port that will not open is the run's to report.
  if (onLine && !link.isOpen() && !link.openPort(p_.portName())) return {};
  p_.controls().stopEnabled = true;
  p_.pane().append("\r\nwaiting for the start signal (" + gate.signal().name() + ") ...");
  const StartWait wait = gate.wait(p_.portName(), [this] { return reRunStopped_; });
  if (wait.ending != StartWait::Ending::Start && onLine) link.closePort();
  return wait;
}

ProductionLoop::Summary ProductionLoop::reRun(
    std::optional<FunctionId> function, int maxRuns,
    const std::function<void(const RunResult&)>& onRunEnded, bool demoWrite) {
  Summary summary;
  if (active_) return summary;
  reRunStopped_ = false;
  p_.flags().demoWriteMode = demoWrite;
  lock();
  const bool waitsForStart = p_.startGate().signal().waits();
  while (true) {
    if (waitsForStart) {
      const StartWait start = waitForStart();
      if (start.ending == StartWait::Ending::Refused) {
        summary.refusal = Status::failure(Reason::Usage, start.message);
        p_.pane().append("\r\n" + start.message);
        break;
      }
      if (start.ending == StartWait::Ending::Failed) {
        // The chip in the fixture was not programmed: it counts as failed.
        ++summary.runs;
        p_.pane().append("\r\n" + start.message);
        RunResult failed;
        failed.status = Status::failure(Reason::Fixture, start.message);
        if (onRunEnded) onRunEnded(failed);
        break;
      }
      summary.endedByStartSignal = start.ending == StartWait::Ending::EndLoop;
      if (start.ending != StartWait::Ending::Start || reRunStopped_) break;
    }
    p_.flags().singleRun = false;
    const RunResult result = runSelectedFunction(p_, function, p_.portName());
    ++summary.runs;
    if (result.ok()) ++summary.succeeded;
    if (onRunEnded) onRunEnded(result);
    // A port that cannot drive the fixture will not learn to on the next chip.
    if (result.refused) break;
    if (reRunStopped_ || (maxRuns > 0 && summary.runs >= maxRuns)) break;
    if (waitsForStart) continue;
    p_.controls().stopEnabled = true;
    if (!countdown(delayAfter(result))) break;
    // A Stop in the very last instant of the countdown still counts.
    if (reRunStopped_) break;
    p_.pane().replace("");
  }
  summary.stopped = reRunStopped_;
  p_.flags().demoWriteMode = false;
  unlock();
  return summary;
}

void ProductionLoop::stopClicked() {
  p_.pane().append(std::string("\r\n") + kStopText);
  stopRun();
}

void ProductionLoop::stopRun() {
  p_.controls().stopEnabled = false;
  p_.stop();
  reRunStopped_ = true;
  tick_->stop();
  if (!active_) unlock();
}

}  // namespace qrk

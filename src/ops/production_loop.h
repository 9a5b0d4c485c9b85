#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "ops/programmer.h"
#include "platform/event_loop.h"

namespace qrk {

// The three commands that drive runs: Run, Re-Run with its countdown between
// runs, and Stop. They hold the controls of RunControls while a run or the
// Re-Run loop lasts.
class ProductionLoop {
 public:
  // What a Re-Run loop did.
  struct Summary {
    int runs = 0;
    int succeeded = 0;
    bool stopped = false;
    // Why the loop could not wait for its start signal (exit 2 on a command
    // line), with nothing sent.
    std::optional<Status> refusal;
    // The start signal ended the loop before its runs were done: the start
    // command declined or the terminal's input ended.
    bool endedByStartSignal = false;
    bool allSucceeded() const { return runs > 0 && succeeded == runs && !stopped; }
  };

  explicit ProductionLoop(Programmer& programmer);
  ~ProductionLoop();
  ProductionLoop(const ProductionLoop&) = delete;
  ProductionLoop& operator=(const ProductionLoop&) = delete;

  // Run: one run of `function` on the programmer's port, with the controls
  // locked until it has returned. Ignored (a failed result) while a run or a
  // Re-Run loop is active. `demoWrite` runs it in demoWriteMode (the ISP DEMO
  // writer); the mode never outlasts the run.
  RunResult run(std::optional<FunctionId> function, bool demoWrite = false);

  // Re-Run: runs `function` again and again with a countdown of the chosen
  // delay between runs (2 s after an Auto run that failed), until Stop; with
  // `maxRuns` above 0, also after that many runs (no countdown after the
  // last). `onRunEnded` sees every run's result. A start signal other than
  // the countdown is waited for before every run, the first included; a
  // start command that declines ends the loop.
  Summary reRun(std::optional<FunctionId> function, int maxRuns = 0,
                const std::function<void(const RunResult&)>& onRunEnded = {},
                bool demoWrite = false);

  // Runs `work` as a run of its own (the offline-board download): the
  // controls are held until it has returned, and Stop ends it as it ends a
  // run. False, and nothing done, while a run or a Re-Run loop is active.
  bool runExclusive(const std::function<void()>& work);

  // The Stop button: "Stop by user!", then stopRun().
  void stopClicked();
  // Ends the run (its waits end at once, the stop command goes out, the port
  // closes) and the Re-Run loop. The controls are released here only when
  // nothing is running; otherwise by the run or loop as it returns.
  void stopRun();

  bool active() const { return active_; }
  bool reRunStopped() const { return reRunStopped_; }

 private:
  // The countdown after `result`: the user's delay, or a short one after an
  // Auto run that failed, so the next chip goes in without a long wait.
  int delayAfter(const RunResult& result) const;
  // The countdown between two runs; false when Stop ended it.
  bool countdown(int seconds);
  // The wait for the next chip's start signal, on the port it may watch.
  StartWait waitForStart();
  void lock();
  void unlock();

  Programmer& p_;
  std::unique_ptr<Timer> tick_;  // the countdown's second
  bool active_ = false;
  bool reRunStopped_ = false;
};

}  // namespace qrk

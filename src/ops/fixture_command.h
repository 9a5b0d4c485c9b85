#pragma once

#include <functional>
#include <string>

#include "platform/command_runner.h"
#include "platform/event_loop.h"

namespace qrk {

// A fixture's shell command (a power switch, a start script) run to its end:
// the event loop keeps turning while it runs, and one that has not exited
// within kLimitMs is ended and counts as failed, so a hung script never hangs
// the line.
struct FixtureCommand {
  static constexpr int kLimitMs = 10'000;

  enum class Ending { Succeeded, Failed, TimedOut, Interrupted };
  struct Result {
    Ending ending = Ending::Failed;
    CommandExit exit;
    bool succeeded() const { return ending == Ending::Succeeded; }
  };

  // Runs `command` and waits for it. `interrupt` (may be empty) is asked
  // after every event: when it holds, the command is ended at once.
  static Result run(CommandRunner& runner, EventLoop& loop, const std::string& command,
                    const CommandRunner::Environment& environment,
                    const std::function<bool()>& interrupt = {});

  // "'CMD' exited with status 3", "'CMD' did not exit within 10 s", ...
  static std::string describe(const std::string& command, const Result& result);
};

}  // namespace qrk

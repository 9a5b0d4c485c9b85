#include "ops/fixture_command.h"

#include <memory>
#include <optional>

namespace qrk {

FixtureCommand::Result FixtureCommand::run(CommandRunner& runner, EventLoop& loop,
                                           const std::string& command,
                                           const CommandRunner::Environment& environment,
                                           const std::function<bool()>& interrupt) {
  // Shared with the exit callback, which the runner may still hold after an
  // early return.
  auto exited = std::make_shared<std::optional<CommandExit>>();
  const std::unique_ptr<Timer> limit = loop.createTimer();
  limit->start(kLimitMs);
  runner.start(command, environment, [exited](CommandExit exit) { *exited = exit; });
  bool interrupted = false;
  loop.waitUntil([&] {
    if (exited->has_value() || !limit->isActive()) return true;
    interrupted = interrupt && interrupt();
    return interrupted;
  });
  limit->stop();
  Result result;
  if (exited->has_value()) {
    result.exit = **exited;
    result.ending = result.exit.succeeded() ? Ending::Succeeded : Ending::Failed;
    return result;
  }
  runner.kill();
  result.ending = interrupted ? Ending::Interrupted : Ending::TimedOut;
  return result;
}

std::string FixtureCommand::describe(const std::string& command, const Result& result) {
  const std::string quoted = "'" + command + "'";
  switch (result.ending) {
    case Ending::Succeeded:
      return quoted + " exited with status 0";
    case Ending::TimedOut:
      return quoted + " did not exit within " + std::to_string(kLimitMs / 1000) +
             " s and was ended";
    case Ending::Interrupted:
      return quoted + " was ended by Stop";
    case Ending::Failed:
      break;
  }
  if (!result.exit.started) return quoted + " could not be started";
  if (result.exit.crashed) return quoted + " was ended by a signal";
  return quoted + " exited with status " + std::to_string(result.exit.code);
}

}  // namespace qrk

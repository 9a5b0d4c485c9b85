#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace qrk {

// How a shell command ended.
struct CommandExit {
  bool started = true;   // false: the shell itself could not be started
  bool crashed = false;  // ended by a signal
  int code = 0;          // its exit status when it exited
  bool succeeded() const { return started && !crashed && code == 0; }
};

// Runs the user's shell commands (a fixture's power switch, a start script)
// without blocking the event thread. One command at a time.
class CommandRunner {
 public:
  using Environment = std::vector<std::pair<std::string, std::string>>;

  virtual ~CommandRunner() = default;
  // Starts `command` through the system's shell with `environment` added to
  // ours. `onExit` is called once, on the event thread, when it has ended;
  // never after kill().
  virtual void start(const std::string& command, const Environment& environment,
                     std::function<void(CommandExit)> onExit) = 0;
  // Ends a command still running (a hung one); its onExit is not called.
  virtual void kill() = 0;
};

}  // namespace qrk

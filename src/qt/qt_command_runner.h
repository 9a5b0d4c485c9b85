#pragma once

#include <QProcess>
#include <functional>
#include <memory>
#include <string>

#include "platform/command_runner.h"

namespace qrk {

// The user's fixture commands through the system shell (/bin/sh -c, or
// cmd.exe /c on Windows), each in a process group of its own so that ending
// a hung one also ends what it started.
class QtCommandRunner : public CommandRunner {
 public:
  QtCommandRunner() = default;
  ~QtCommandRunner() override;
  QtCommandRunner(const QtCommandRunner&) = delete;
  QtCommandRunner& operator=(const QtCommandRunner&) = delete;

  void start(const std::string& command, const Environment& environment,
             std::function<void(CommandExit)> onExit) override;
  void kill() override;

 private:
  std::unique_ptr<QProcess> process_;
};

}  // namespace qrk

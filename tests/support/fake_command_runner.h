#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/command_runner.h"
#include "platform/virtual_event_loop.h"

namespace qrk::test {

// Shell commands on virtual time: each known command takes its time, does its
// deed (switches a simulated supply, say) and exits with its status; an
// unknown one exits 0 at once. Every start is recorded with its environment.
class FakeCommandRunner : public CommandRunner {
 public:
  struct Behaviour {
    int exitCode = 0;
    std::int64_t takesMs = 5;
    bool hangs = false;
    std::function<void()> effect;  // at its exit
  };
  struct Started {
    std::string command;
    Environment environment;
    std::int64_t atMs = 0;
    std::string env(const std::string& name) const {
      for (const auto& [key, value] : environment)
        if (key == name) return value;
      return {};
    }
  };

  explicit FakeCommandRunner(VirtualEventLoop& loop) : loop_(loop) {}

  void start(const std::string& command, const Environment& environment,
             std::function<void(CommandExit)> onExit) override {
    started.push_back({command, environment, loop_.nowMs()});
    const Behaviour b = behaviours.count(command) ? behaviours.at(command) : Behaviour{};
    if (b.hangs) return;
    pending_ = loop_.scheduleInMs(b.takesMs, [this, b, onExit] {
      pending_ = 0;
      if (b.effect) b.effect();
      CommandExit exit;
      exit.code = b.exitCode;
      onExit(exit);
    });
  }
  void kill() override {
    ++kills;
    if (pending_ != 0) loop_.cancel(pending_);
    pending_ = 0;
  }

  std::vector<std::string> commands() const {
    std::vector<std::string> out;
    for (const Started& s : started) out.push_back(s.command);
    return out;
  }

  std::map<std::string, Behaviour> behaviours;
  std::vector<Started> started;
  int kills = 0;

 private:
  VirtualEventLoop& loop_;
  VirtualEventLoop::EventId pending_ = 0;
};

}  // namespace qrk::test

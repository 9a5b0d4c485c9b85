#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "ops/fixture_command.h"
#include "platform/command_runner.h"
#include "platform/event_loop.h"
#include "platform/serial_port.h"

namespace qrk {

// What starts each chip of a production loop: the countdown between chips,
// a key, the fixture closing (an input line becoming active), or a script.
struct StartSignal {
  enum class Kind { Countdown, Key, Line, Command };
  Kind kind = Kind::Countdown;
  InputLine line = InputLine::Cts;
  std::string command;  // exit 0 starts the chip, any other ends the loop
  int portIndex = 0;    // QRK_PORT_INDEX of the command: the port's place in a gang

  bool waits() const { return kind != Kind::Countdown; }
  // "countdown", "enter", "cts", "dsr", "dcd", "ri" or "cmd".
  std::string name() const;
};

std::optional<StartSignal> startSignalNamed(std::string_view name);

// A key on the front end's terminal. arm() calls `pressed(true)` once at the
// next key, or `pressed(false)` when no key can come any more (its input
// ended); false when there is no terminal to listen to.
class StartKey {
 public:
  virtual ~StartKey() = default;
  virtual bool arm(std::function<void(bool pressed)> pressed) = 0;
  virtual void disarm() = 0;
};

// How a wait for the start signal ended.
struct StartWait {
  enum class Ending { Start, EndLoop, Stopped, Refused, Failed };
  Ending ending = Ending::Start;
  std::string message;  // why, for EndLoop (when not the user's wish), Refused and Failed
};

// Waits for a chip's start without costing CPU: the wait sleeps in the event
// loop until the line, the key or the command reports. A line must go
// inactive and active again: a fixture left closed after a chip does not
// start the next one.
class StartGate {
 public:
  StartGate(SerialPort& port, EventLoop& loop) : port_(port), loop_(loop) {}

  void setSignal(StartSignal signal) { signal_ = std::move(signal); }
  const StartSignal& signal() const { return signal_; }
  void setCommandRunner(CommandRunner* runner) { runner_ = runner; }
  void setKey(StartKey* key) { key_ = key; }

  // `portName` names the port in messages and in the command's environment;
  // a line is watched on the port, which must be open. `stopped` holding
  // ends the wait at once.
  StartWait wait(const std::string& portName, const std::function<bool()>& stopped);

 private:
  StartWait waitForLine(const std::string& portName, const std::function<bool()>& stopped);
  StartWait waitForKey(const std::function<bool()>& stopped);
  StartWait runCommand(const std::string& portName, const std::function<bool()>& stopped);

  SerialPort& port_;
  EventLoop& loop_;
  CommandRunner* runner_ = nullptr;
  StartKey* key_ = nullptr;
  StartSignal signal_;
};

}  // namespace qrk

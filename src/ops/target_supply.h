#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "ops/fixture_command.h"
#include "platform/command_runner.h"
#include "platform/event_loop.h"
#include "platform/serial_port.h"

namespace qrk {

// How the programmer switches the target's supply, if it does: a modem line
// of the port (asserted = on, or released = on when inverted) driving a MOSFET
// or relay, or a pair of shell commands.
struct SupplySwitch {
  enum class Kind { None, Line, Command };
  static constexpr int kDefaultOffMs = 300;

  Kind kind = Kind::None;
  OutputLine line = OutputLine::Dtr;
  bool inverted = false;
  std::string onCommand;
  std::string offCommand;
  // How long the supply stays off before it is switched on: long enough for
  // the chip's supply to fall below its reset threshold.
  int offMs = kDefaultOffMs;
  // Handed to the commands as QRK_PORT and QRK_PORT_INDEX, so that one script
  // can switch the channel of the right port. An empty path: the run's port.
  std::string portPath;
  int portIndex = 0;

  bool switched() const { return kind != Kind::None; }
  // "none", "dtr", "rts", "dtr-low", "rts-low" or "cmd": the command line's
  // words, also the window's stored choice.
  std::string name() const;
};

// The switch a name gives (the commands and timing left at their defaults);
// nullopt for any other text.
std::optional<SupplySwitch> supplySwitchNamed(std::string_view name);

// What switching the supply came to.
struct SupplyStep {
  enum class Ending { Done, Refused, Failed, Stopped };
  Ending ending = Ending::Done;
  std::string message;  // why, for Refused and Failed
  bool ok() const { return ending == Ending::Done; }
};

// The target's supply through one chip's run: off for the off time, on just
// before the handshake, off again when the run ends.
class TargetSupply {
 public:
  TargetSupply(SerialPort& port, EventLoop& loop) : port_(port), loop_(loop) {}
  TargetSupply(const TargetSupply&) = delete;
  TargetSupply& operator=(const TargetSupply&) = delete;

  void setSwitch(SupplySwitch choice);
  const SupplySwitch& supplySwitch() const { return switch_; }
  // Runs the commands of a command switch; without one such a switch fails.
  void setCommandRunner(CommandRunner* runner) { runner_ = runner; }

  // On an open port, before anything is sent: supply off, and on after it has
  // been off for the off time. A port without the switch's line is Refused
  // with nothing sent; a command that fails Fails; `stopped` holding ends the
  // off time at once.
  SupplyStep switchOn(const std::string& portName, const std::function<bool()>& stopped);
  // Supply off, whatever the run came to: a command switch waits for its
  // command even after Stop, as the chip must be safe to take out.
  SupplyStep switchOff(const std::string& portName);
  // Stop: a line switch goes off before the port closes under it.
  void switchOffNow();

  // Whether the supply is on as far as the programmer switched it.
  bool on() const { return on_; }

 private:
  bool driveLine(bool supplyOn);
  SupplyStep runCommand(const std::string& command, const std::string& portName,
                        const std::function<bool()>& stopped);
  bool waitOffTime(const std::function<bool()>& stopped);

  SerialPort& port_;
  EventLoop& loop_;
  CommandRunner* runner_ = nullptr;
  SupplySwitch switch_;
  bool on_ = false;
  // When the supply last went off; nullopt while its state is unknown.
  std::optional<std::int64_t> offSinceMs_;
};

}  // namespace qrk

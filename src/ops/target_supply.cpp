#include "ops/target_supply.h"

#include <array>
#include <memory>
#include <utility>

#include "ops/named_choice.h"

namespace qrk {

namespace {

struct NamedSwitch {
  std::string_view name;
  SupplySwitch::Kind kind;
  OutputLine line;
  bool inverted;

  // Only the lines' names say which line, and which level is on.
  bool names(const SupplySwitch& s) const {
    return s.kind == kind &&
           (kind != SupplySwitch::Kind::Line || (s.line == line && s.inverted == inverted));
  }
  SupplySwitch choice() const {
    SupplySwitch s;
    s.kind = kind;
    s.line = line;
    s.inverted = inverted;
    return s;
  }
};

constexpr std::array kNamedSwitches = {
    NamedSwitch{"none", SupplySwitch::Kind::None, OutputLine::Dtr, false},
    NamedSwitch{"dtr", SupplySwitch::Kind::Line, OutputLine::Dtr, false},
    NamedSwitch{"rts", SupplySwitch::Kind::Line, OutputLine::Rts, false},
    NamedSwitch{"dtr-low", SupplySwitch::Kind::Line, OutputLine::Dtr, true},
    NamedSwitch{"rts-low", SupplySwitch::Kind::Line, OutputLine::Rts, true},
    NamedSwitch{"cmd", SupplySwitch::Kind::Command, OutputLine::Dtr, false},
};

}  // namespace

std::string SupplySwitch::name() const { return nameOfChoice(kNamedSwitches, *this); }

std::optional<SupplySwitch> supplySwitchNamed(std::string_view name) {
  return choiceNamed(kNamedSwitches, name);
}

void TargetSupply::setSwitch(SupplySwitch choice) {
  switch_ = std::move(choice);
  on_ = false;
  offSinceMs_.reset();
}

bool TargetSupply::driveLine(bool supplyOn) {
  return port_.setOutputLine(switch_.line, supplyOn != switch_.inverted);
}

SupplyStep TargetSupply::runCommand(const std::string& command, const std::string& portName,
                                    const std::function<bool()>& stopped) {
  SupplyStep step;
  if (runner_ == nullptr) {
    step.ending = SupplyStep::Ending::Failed;
    step.message = "'" + command + "': this programmer cannot run commands";
    return step;
  }
  const CommandRunner::Environment environment = {
      {"QRK_PORT", switch_.portPath.empty() ? portName : switch_.portPath},
      {"QRK_PORT_INDEX", std::to_string(switch_.portIndex)}};
  const FixtureCommand::Result result =
      FixtureCommand::run(*runner_, loop_, command, environment, stopped);
  if (result.succeeded()) return step;
  step.ending = result.ending == FixtureCommand::Ending::Interrupted ? SupplyStep::Ending::Stopped
                                                                     : SupplyStep::Ending::Failed;
  step.message = FixtureCommand::describe(command, result);
  return step;
}

bool TargetSupply::waitOffTime(const std::function<bool()>& stopped) {
  const std::int64_t offFor = offSinceMs_ ? loop_.nowMs() - *offSinceMs_ : 0;
  if (offFor >= switch_.offMs) return true;
  const std::unique_ptr<Timer> timer = loop_.createTimer();
  timer->start(static_cast<int>(switch_.offMs - offFor));
  loop_.waitUntil([&] { return !timer->isActive() || stopped(); });
  timer->stop();
  return !stopped();
}

SupplyStep TargetSupply::switchOn(const std::string& portName,
                                  const std::function<bool()>& stopped) {
  SupplyStep step;
  if (switch_.kind == SupplySwitch::Kind::None) return step;
  if (switch_.kind == SupplySwitch::Kind::Command &&
      (switch_.onCommand.empty() || switch_.offCommand.empty())) {
    // A window's command pair left half filled in: nothing would switch.
    step.ending = SupplyStep::Ending::Refused;
    step.message =
        "the supply is switched by commands, but the power-on or power-off command is empty; "
        "nothing was sent";
    return step;
  }
  if (switch_.kind == SupplySwitch::Kind::Line) {
    // Opening a port raises its lines on most systems: whatever the supply
    // did meanwhile, it is off from now on for the whole off time.
    if (!driveLine(false)) {
      step.ending = SupplyStep::Ending::Refused;
      step.message = portName + " has no " + std::string(outputLineName(switch_.line)) +
                     " line to switch the target's supply with (a pseudo-terminal or an "
                     "adapter without modem lines); nothing was sent";
      return step;
    }
    on_ = false;
    offSinceMs_ = loop_.nowMs();
  } else if (on_ || !offSinceMs_) {
    step = runCommand(switch_.offCommand, portName, stopped);
    if (!step.ok()) return step;
    on_ = false;
    offSinceMs_ = loop_.nowMs();
  }
  if (!waitOffTime(stopped)) {
    step.ending = SupplyStep::Ending::Stopped;
    return step;
  }
  if (switch_.kind == SupplySwitch::Kind::Line) {
    if (!driveLine(true)) {
      step.ending = SupplyStep::Ending::Failed;
      step.message = "the port refused to switch " + std::string(outputLineName(switch_.line));
      return step;
    }
  } else {
    // Marked on first: a command that fails half-way may have switched it.
    on_ = true;
    step = runCommand(switch_.onCommand, portName, stopped);
    if (!step.ok()) return step;
  }
  on_ = true;
  return step;
}

SupplyStep TargetSupply::switchOff(const std::string& portName) {
  SupplyStep step;
  switch (switch_.kind) {
    case SupplySwitch::Kind::None:
      return step;
    case SupplySwitch::Kind::Line:
      // A port that is gone (unplugged, closed by Stop) took its line down.
      if (port_.isOpen()) driveLine(false);
      break;
    case SupplySwitch::Kind::Command:
      step = runCommand(switch_.offCommand, portName, {});
      if (!step.ok()) {
        // Unknown now: the next chip switches it off again first.
        offSinceMs_.reset();
        return step;
      }
      break;
  }
  on_ = false;
  offSinceMs_ = loop_.nowMs();
  return step;
}

void TargetSupply::switchOffNow() {
  if (switch_.kind == SupplySwitch::Kind::Line && port_.isOpen() && driveLine(false)) {
    on_ = false;
    offSinceMs_ = loop_.nowMs();
  }
}

}  // namespace qrk

#include "ops/start_signal.h"

#include <array>

#include "ops/named_choice.h"

namespace qrk {

namespace {

struct NamedSignal {
  std::string_view name;
  StartSignal::Kind kind;
  InputLine line;

  // Only the lines' names say which line.
  bool names(const StartSignal& s) const {
    return s.kind == kind && (kind != StartSignal::Kind::Line || s.line == line);
  }
  StartSignal choice() const {
    StartSignal s;
    s.kind = kind;
    s.line = line;
    return s;
  }
};

constexpr std::array kNamedSignals = {
    NamedSignal{"countdown", StartSignal::Kind::Countdown, InputLine::Cts},
    NamedSignal{"enter", StartSignal::Kind::Key, InputLine::Cts},
    NamedSignal{"cts", StartSignal::Kind::Line, InputLine::Cts},
    NamedSignal{"dsr", StartSignal::Kind::Line, InputLine::Dsr},
    NamedSignal{"dcd", StartSignal::Kind::Line, InputLine::Dcd},
    NamedSignal{"ri", StartSignal::Kind::Line, InputLine::Ri},
    NamedSignal{"cmd", StartSignal::Kind::Command, InputLine::Cts},
};

}  // namespace

std::string StartSignal::name() const { return nameOfChoice(kNamedSignals, *this); }

std::optional<StartSignal> startSignalNamed(std::string_view name) {
  return choiceNamed(kNamedSignals, name);
}

StartWait StartGate::wait(const std::string& portName, const std::function<bool()>& stopped) {
  switch (signal_.kind) {
    case StartSignal::Kind::Countdown:
      return {};
    case StartSignal::Kind::Key:
      return waitForKey(stopped);
    case StartSignal::Kind::Line:
      return waitForLine(portName, stopped);
    case StartSignal::Kind::Command:
      return runCommand(portName, stopped);
  }
  return {};
}

StartWait StartGate::waitForLine(const std::string& portName,
                                 const std::function<bool()>& stopped) {
  const std::string lineName(inputLineName(signal_.line));
  const std::optional<bool> now = port_.inputLine(signal_.line);
  if (!now) {
    return {StartWait::Ending::Refused,
            portName + " has no " + lineName +
                " line to wait on (a pseudo-terminal or an adapter without modem lines); "
                "nothing was sent"};
  }
  // Active already (the fixture still closed on the last chip): it must
  // open first.
  bool armed = !*now;
  bool started = false;
  bool lost = false;
  const bool watching = port_.watchInputLines([&] {
    const std::optional<bool> active = port_.inputLine(signal_.line);
    if (!active) {
      lost = true;
    } else if (!*active) {
      armed = true;
    } else if (armed) {
      started = true;
    }
  });
  if (!watching) {
    return {StartWait::Ending::Refused,
            "this system cannot wait for a change of " + lineName + " on " + portName};
  }
  loop_.waitUntil([&] { return started || lost || stopped(); });
  port_.stopWatchingInputLines();
  if (stopped()) return {StartWait::Ending::Stopped, {}};
  if (lost)
    return {StartWait::Ending::Failed, portName + " went away while waiting for " + lineName};
  return {};
}

StartWait StartGate::waitForKey(const std::function<bool()>& stopped) {
  if (key_ == nullptr) {
    return {StartWait::Ending::Refused, "there is no terminal to press a key on"};
  }
  std::optional<bool> pressed;
  if (!key_->arm([&pressed](bool key) { pressed = key; })) {
    return {StartWait::Ending::Refused, "there is no terminal to press a key on"};
  }
  loop_.waitUntil([&] { return pressed.has_value() || stopped(); });
  key_->disarm();
  if (stopped()) return {StartWait::Ending::Stopped, {}};
  if (!*pressed) return {StartWait::Ending::EndLoop, {}};
  return {};
}

StartWait StartGate::runCommand(const std::string& portName, const std::function<bool()>& stopped) {
  if (runner_ == nullptr) {
    return {StartWait::Ending::Refused, "this programmer cannot run commands"};
  }
  const FixtureCommand::Result result = FixtureCommand::run(
      *runner_, loop_, signal_.command,
      {{"QRK_PORT", portName}, {"QRK_PORT_INDEX", std::to_string(signal_.portIndex)}}, stopped);
  switch (result.ending) {
    case FixtureCommand::Ending::Succeeded:
      return {};
    case FixtureCommand::Ending::Interrupted:
      return {StartWait::Ending::Stopped, {}};
    case FixtureCommand::Ending::Failed:
      // Any exit but 0 is the script saying the shift is over; a script
      // that could not run or crashed is a fault.
      if (result.exit.started && !result.exit.crashed) return {StartWait::Ending::EndLoop, {}};
      break;
    case FixtureCommand::Ending::TimedOut:
      break;
  }
  return {StartWait::Ending::Failed,
          "start command " + FixtureCommand::describe(signal_.command, result)};
}

}  // namespace qrk

#include "sim/simulated_port.h"

namespace qrk::sim {

SimulatedPort::~SimulatedPort() {
  for (const auto& [atUs, inFlight] : onTheLine_) loop_.cancel(inFlight.event);
}

bool SimulatedPort::open(const std::string& name, int baud, std::string* error) {
  if (disconnected_ || !refusal_.empty()) {
    if (error) *error = disconnected_ ? "No such file or directory" : refusal_;
    return false;
  }
  open_ = true;
  driveOutput(OutputLine::Dtr, true);
  driveOutput(OutputLine::Rts, true);
  held_ = {};
  openedName_ = name;
  openedBaud_ = baud;
  ++openCount_;
  return true;
}

void SimulatedPort::close() {
  if (!open_) return;
  open_ = false;
  inputHandler_ = nullptr;
  for (OutputLine line : {OutputLine::Dtr, OutputLine::Rts}) {
    if (!held_[index(line)]) driveOutput(line, false);
  }
}

void SimulatedPort::driveOutput(OutputLine line, bool asserted) {
  if (!modemLines_ || outputs_[index(line)] == asserted) return;
  outputs_[index(line)] = asserted;
  ++outputChanges_[index(line)];
  if (supplyWiring_ && supplyWiring_->first == line) {
    device_.switchSupply(asserted != supplyWiring_->second, loop_.nowUs());
  }
}

bool SimulatedPort::setOutputLine(OutputLine line, bool asserted) {
  if (!open_ || !modemLines_) return false;
  driveOutput(line, asserted);
  held_[index(line)] = asserted;
  return true;
}

std::optional<bool> SimulatedPort::inputLine(InputLine line) const {
  if (!open_ || !modemLines_) return std::nullopt;
  return inputs_[static_cast<std::size_t>(line)];
}

bool SimulatedPort::watchInputLines(std::function<void()> handler) {
  if (!open_ || !modemLines_) return false;
  inputHandler_ = std::move(handler);
  return true;
}

void SimulatedPort::wireSupply(OutputLine line, bool inverted) {
  supplyWiring_ = std::make_pair(line, inverted);
  device_.switchSupply(outputs_[index(line)] != inverted, loop_.nowUs());
}

void SimulatedPort::setInputLine(InputLine line, bool active) {
  if (inputs_[static_cast<std::size_t>(line)] == active) return;
  inputs_[static_cast<std::size_t>(line)] = active;
  if (open_ && inputHandler_) inputHandler_();
}

bool SimulatedPort::write(std::span<const std::uint8_t> bytes) {
  if (!open_ || disconnected_) return false;
  written_.emplace_back(bytes.begin(), bytes.end());
  for (TimedChunk& chunk : device_.receive(bytes, loop_.nowUs())) {
    auto [it, isNew] = onTheLine_.try_emplace(chunk.atUs);
    it->second.bytes.insert(it->second.bytes.end(), chunk.bytes.begin(), chunk.bytes.end());
    if (isNew) {
      const std::int64_t atUs = chunk.atUs;
      it->second.event = loop_.scheduleInUs(atUs - loop_.nowUs(), [this, atUs] { deliver(atUs); });
    }
  }
  return true;
}

void SimulatedPort::deliver(std::int64_t atUs) {
  auto it = onTheLine_.find(atUs);
  if (it == onTheLine_.end()) return;
  std::vector<std::uint8_t> bytes = std::move(it->second.bytes);
  onTheLine_.erase(it);
  if (!open_ || disconnected_ || bytes.empty()) return;
  rx_.insert(rx_.end(), bytes.begin(), bytes.end());
  if (handler_) handler_();
}

std::vector<std::uint8_t> SimulatedPort::readAll() {
  std::vector<std::uint8_t> out(rx_.begin(), rx_.end());
  rx_.clear();
  return out;
}

void SimulatedPort::disconnect() {
  disconnected_ = true;
  open_ = false;
  inputHandler_ = nullptr;
  // An adapter unplugged takes its lines down with it.
  held_ = {};
  driveOutput(OutputLine::Dtr, false);
  driveOutput(OutputLine::Rts, false);
  rx_.clear();
}

}  // namespace qrk::sim

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
  openedName_ = name;
  openedBaud_ = baud;
  ++openCount_;
  return true;
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
  rx_.clear();
}

}  // namespace qrk::sim

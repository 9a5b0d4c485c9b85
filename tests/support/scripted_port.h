#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "platform/serial_port.h"
#include "platform/virtual_event_loop.h"

namespace qrk::test {

// A serial port on virtual time whose far end is a script: tests queue what
// the line delivers (chunks at chosen instants), and `onWrite` may answer each
// frame the programmer sends. Everything written is recorded.
class ScriptedPort : public SerialPort {
 public:
  explicit ScriptedPort(VirtualEventLoop& loop) : loop_(loop) {}

  bool open(const std::string&, int, std::string*) override {
    open_ = true;
    return true;
  }
  void close() override { open_ = false; }
  bool isOpen() const override { return open_; }
  bool write(std::span<const std::uint8_t> bytes) override {
    if (!open_) return false;
    written.emplace_back(bytes.begin(), bytes.end());
    if (onWrite) onWrite(written.back());
    return true;
  }
  std::vector<std::uint8_t> readAll() override {
    std::vector<std::uint8_t> out(rx_.begin(), rx_.end());
    rx_.clear();
    return out;
  }
  std::size_t bytesAvailable() const override { return rx_.size(); }
  void discardInput() override { rx_.clear(); }
  void discardOutput() override { outputDiscardedAt.push_back(written.size()); }
  void setReceiveHandler(std::function<void()> handler) override { handler_ = std::move(handler); }

  // The line delivers `bytes` as one chunk `delayUs` from now.
  void deliverInUs(std::int64_t delayUs, std::vector<std::uint8_t> bytes) {
    loop_.scheduleInUs(delayUs, [this, b = std::move(bytes)] {
      if (!open_) return;
      rx_.insert(rx_.end(), b.begin(), b.end());
      if (handler_) handler_();
    });
  }
  void deliverInMs(std::int64_t delayMs, std::vector<std::uint8_t> bytes) {
    deliverInUs(delayMs * 1000, std::move(bytes));
  }

  std::function<void(const std::vector<std::uint8_t>&)> onWrite;
  std::vector<std::vector<std::uint8_t>> written;
  // written.size() at each discardOutput(): frames before it may be lost.
  std::vector<std::size_t> outputDiscardedAt;

 private:
  VirtualEventLoop& loop_;
  bool open_ = false;
  std::deque<std::uint8_t> rx_;
  std::function<void()> handler_;
};

}  // namespace qrk::test

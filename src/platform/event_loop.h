#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace qrk {

// A one-shot timer of the event loop. start() (re)arms it; on expiry it is
// inactive again before the handler runs.
class Timer {
 public:
  virtual ~Timer() = default;
  virtual void start(int intervalMs) = 0;
  virtual void stop() = 0;
  virtual bool isActive() const = 0;
  virtual void setHandler(std::function<void()> onExpiry) = 0;
};

// The single thread's event loop: timers, a millisecond clock and the
// cooperative wait every long operation is built on.
class EventLoop {
 public:
  virtual ~EventLoop() = default;
  virtual std::unique_ptr<Timer> createTimer() = 0;
  // Milliseconds since an arbitrary origin; never goes backwards.
  virtual std::int64_t nowMs() const = 0;
  // Processes events (port data, timers, user input) until done() holds.
  // Blocks while nothing happens: it never spins.
  virtual void waitUntil(const std::function<bool()>& done) = 0;
};

}  // namespace qrk

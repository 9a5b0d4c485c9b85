#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <utility>

#include "platform/event_loop.h"

namespace qrk {

// Thrown when a wait could only be ended by an event that will never come:
// under virtual time that is a hang, and a test should fail, not freeze.
class VirtualDeadlock : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// An event loop on virtual time: timers and scheduled callbacks fire in order
// of their due instant, and the clock jumps straight to the next one. A four
// second handshake costs microseconds. Events due at the same instant run in
// the order they were scheduled.
class VirtualEventLoop : public EventLoop {
 public:
  using EventId = std::uint64_t;

  std::unique_ptr<Timer> createTimer() override;
  std::int64_t nowMs() const override { return nowUs_ / 1000; }
  void waitUntil(const std::function<bool()>& done) override;

  std::int64_t nowUs() const { return nowUs_; }
  // Runs `action` `delayUs` microseconds from now.
  EventId scheduleInUs(std::int64_t delayUs, std::function<void()> action);
  EventId scheduleInMs(std::int64_t delayMs, std::function<void()> action) {
    return scheduleInUs(delayMs * 1000, std::move(action));
  }
  void cancel(EventId id);
  // Runs every event due up to now + `ms`, then sets the clock there.
  void advanceMs(std::int64_t ms);
  bool hasPendingEvents() const { return !queue_.empty(); }
  // Safety net for waits: a wait that passes this much virtual time without
  // its predicate holding throws VirtualDeadlock.
  void setWaitLimitMs(std::int64_t ms) { waitLimitUs_ = ms * 1000; }

 private:
  bool runNext(std::int64_t limitUs);

  std::int64_t nowUs_ = 0;
  std::uint64_t nextSequence_ = 0;
  std::int64_t waitLimitUs_ = 3'600'000'000LL;  // an hour of virtual time
  // Key: (due instant, sequence) keeps same-instant events in schedule order.
  std::map<std::pair<std::int64_t, std::uint64_t>, std::function<void()>> queue_;
  std::map<EventId, std::pair<std::int64_t, std::uint64_t>> byId_;
};

}  // namespace qrk

#pragma once

#include <QElapsedTimer>

#include "platform/event_loop.h"

namespace qrk {

// The event loop of the running QCoreApplication: precise single-shot QTimers,
// a monotonic clock, and a wait that sleeps in the event dispatcher until
// something (port data, a timer, a signal notifier, user input) happens.
class QtEventLoop : public EventLoop {
 public:
  QtEventLoop();

  std::unique_ptr<Timer> createTimer() override;
  std::int64_t nowMs() const override;
  void waitUntil(const std::function<bool()>& done) override;

 private:
  QElapsedTimer clock_;
};

}  // namespace qrk

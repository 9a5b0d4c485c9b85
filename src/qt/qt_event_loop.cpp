#include "qt/qt_event_loop.h"

#include <QCoreApplication>
#include <QTimer>
#include <chrono>

namespace qrk {

namespace {

class QtTimer : public Timer {
 public:
  QtTimer() {
    timer_.setSingleShot(true);
    // The byte gap is 20 ms; a coarse timer may be 5% late on short intervals,
    // which is the difference between a pass and a failed reply.
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] { onQtTimeout(); });
  }

  // A reply wait is armed and stopped again for every frame exchanged, and
  // each QTimer start or stop registers or releases a timer in the dispatcher:
  // on a line that wakes once a frame that was a tenth of the programmer's
  // CPU. So the QTimer is moved only when the deadline comes sooner; a
  // deadline that moved later is caught up with when the QTimer fires, and a
  // stopped timer's QTimer fires once more into nothing.
  void start(int intervalMs) override {
    const Clock::time_point now = Clock::now();
    deadline_ = now + std::chrono::milliseconds(intervalMs < 0 ? 0 : intervalMs);
    active_ = true;
    if (!timer_.isActive() || deadline_ < firesAt_) arm(now);
  }
  void stop() override { active_ = false; }
  bool isActive() const override { return active_; }
  void setHandler(std::function<void()> onExpiry) override { handler_ = std::move(onExpiry); }

 private:
  using Clock = std::chrono::steady_clock;

  // Qt counts the interval from its own reading of the same monotonic clock,
  // taken after `now`: the QTimer never fires before the deadline.
  void arm(Clock::time_point now) {
    const auto interval = std::chrono::ceil<std::chrono::milliseconds>(deadline_ - now);
    firesAt_ = now + interval;
    timer_.start(interval);
  }

  void onQtTimeout() {
    if (!active_) return;
    const Clock::time_point now = Clock::now();
    if (now < deadline_) {
      arm(now);
      return;
    }
    active_ = false;
    if (handler_) handler_();
  }

  QTimer timer_;
  std::function<void()> handler_;
  bool active_ = false;
  Clock::time_point deadline_{};
  Clock::time_point firesAt_{};
};

}  // namespace

QtEventLoop::QtEventLoop() { clock_.start(); }

std::unique_ptr<Timer> QtEventLoop::createTimer() { return std::make_unique<QtTimer>(); }

std::int64_t QtEventLoop::nowMs() const { return clock_.elapsed(); }

void QtEventLoop::waitUntil(const std::function<bool()>& done) {
  while (!done()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

}  // namespace qrk

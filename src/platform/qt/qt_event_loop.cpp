#include "platform/qt/qt_event_loop.h"

#include <QCoreApplication>
#include <QTimer>

namespace qrk {

namespace {

class QtTimer : public Timer {
 public:
  QtTimer() {
    timer_.setSingleShot(true);
    // The byte gap is 20 ms; a coarse timer may be 5% late on short intervals,
    // which is the difference between a pass and a failed reply.
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      if (handler_) handler_();
    });
  }

  void start(int intervalMs) override { timer_.start(intervalMs < 0 ? 0 : intervalMs); }
  void stop() override { timer_.stop(); }
  bool isActive() const override { return timer_.isActive(); }
  void setHandler(std::function<void()> onExpiry) override { handler_ = std::move(onExpiry); }

 private:
  QTimer timer_;
  std::function<void()> handler_;
};

}  // namespace

QtEventLoop::QtEventLoop() { clock_.start(); }

std::unique_ptr<Timer> QtEventLoop::createTimer() { return std::make_unique<QtTimer>(); }

std::int64_t QtEventLoop::nowMs() const { return clock_.elapsed(); }

void QtEventLoop::waitUntil(const std::function<bool()>& done) {
  while (!done()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

}  // namespace qrk

#include "platform/virtual_event_loop.h"

#include <algorithm>

namespace qrk {

namespace {

class VirtualTimer : public Timer {
 public:
  explicit VirtualTimer(VirtualEventLoop& loop) : loop_(loop) {}
  ~VirtualTimer() override { stop(); }

  void start(int intervalMs) override {
    stop();
    active_ = true;
    pending_ = loop_.scheduleInMs(intervalMs, [this] {
      active_ = false;
      if (handler_) handler_();
    });
  }
  void stop() override {
    if (active_) loop_.cancel(pending_);
    active_ = false;
  }
  bool isActive() const override { return active_; }
  void setHandler(std::function<void()> onExpiry) override { handler_ = std::move(onExpiry); }

 private:
  VirtualEventLoop& loop_;
  std::function<void()> handler_;
  VirtualEventLoop::EventId pending_ = 0;
  bool active_ = false;
};

}  // namespace

std::unique_ptr<Timer> VirtualEventLoop::createTimer() {
  return std::make_unique<VirtualTimer>(*this);
}

VirtualEventLoop::EventId VirtualEventLoop::scheduleInUs(std::int64_t delayUs,
                                                         std::function<void()> action) {
  if (delayUs < 0) delayUs = 0;
  const auto key = std::make_pair(nowUs_ + delayUs, nextSequence_++);
  queue_.emplace(key, std::move(action));
  const EventId id = key.second + 1;
  byId_.emplace(id, key);
  return id;
}

void VirtualEventLoop::cancel(EventId id) {
  auto it = byId_.find(id);
  if (it == byId_.end()) return;
  queue_.erase(it->second);
  byId_.erase(it);
}

bool VirtualEventLoop::runNext(std::int64_t limitUs) {
  if (queue_.empty()) return false;
  auto it = queue_.begin();
  if (it->first.first > limitUs) return false;
  nowUs_ = std::max(nowUs_, it->first.first);
  auto action = std::move(it->second);
  byId_.erase(it->first.second + 1);
  queue_.erase(it);
  action();
  return true;
}

void VirtualEventLoop::waitUntil(const std::function<bool()>& done) {
  const std::int64_t deadline = nowUs_ + waitLimitUs_;
  while (!done()) {
    if (queue_.empty()) {
      throw VirtualDeadlock("waitUntil: nothing is scheduled, the wait could never end");
    }
    if (!runNext(deadline)) {
      throw VirtualDeadlock("waitUntil: the wait outlasted its virtual-time limit");
    }
  }
}

void VirtualEventLoop::advanceMs(std::int64_t ms) {
  const std::int64_t target = nowUs_ + ms * 1000;
  while (runNext(target)) {
  }
  nowUs_ = std::max(nowUs_, target);
}

}  // namespace qrk

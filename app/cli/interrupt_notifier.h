#pragma once

#include <QSocketNotifier>
#include <functional>
#include <memory>

namespace qrkcli {

// Turns Ctrl-C (SIGINT) and SIGTERM into a call of `onInterrupt` on the event
// thread. The signal handler only writes a byte to a pipe; the notifier on
// its other end wakes the event loop, which may be blocked in a wait, so the
// run can stop as the Stop button would stop it. A second signal while the
// first is being handled ends the process the default way. On Windows the
// console's Ctrl-C, Ctrl-Break and close events play the signals' part.
class InterruptNotifier {
 public:
  explicit InterruptNotifier(std::function<void()> onInterrupt);
  ~InterruptNotifier();
  InterruptNotifier(const InterruptNotifier&) = delete;
  InterruptNotifier& operator=(const InterruptNotifier&) = delete;

  bool interrupted() const { return interrupted_; }
  int signalNumber() const { return signalNumber_; }

 private:
  void onReadable();
  void take(int signalNumber);

  std::function<void()> onInterrupt_;
  std::unique_ptr<QSocketNotifier> notifier_;
  bool interrupted_ = false;
  int signalNumber_ = 0;
};

}  // namespace qrkcli

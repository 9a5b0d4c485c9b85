#include "interrupt_notifier.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

namespace qrkcli {

namespace {

// A signal handler can reach nothing but process-wide state; this pipe is
// the one piece, owned by the single InterruptNotifier alive at a time.
int wakePipe[2] = {-1, -1};

void onSignal(int signalNumber) {
  const int savedErrno = errno;
  const unsigned char byte = static_cast<unsigned char>(signalNumber);
  if (wakePipe[1] >= 0) (void)!::write(wakePipe[1], &byte, 1);
  errno = savedErrno;
}

void installHandler(int signalNumber, void (*handler)(int), int flags) {
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  action.sa_flags = flags;
  sigaction(signalNumber, &action, nullptr);
}

}  // namespace

InterruptNotifier::InterruptNotifier(std::function<void()> onInterrupt)
    : onInterrupt_(std::move(onInterrupt)) {
  if (::pipe2(wakePipe, O_CLOEXEC | O_NONBLOCK) != 0) {
    wakePipe[0] = wakePipe[1] = -1;
    return;
  }
  notifier_ = std::make_unique<QSocketNotifier>(wakePipe[0], QSocketNotifier::Read);
  QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { onReadable(); });
  // SA_RESETHAND: a second Ctrl-C while the stop is under way is not caught.
  installHandler(SIGINT, onSignal, SA_RESETHAND | SA_RESTART);
  installHandler(SIGTERM, onSignal, SA_RESETHAND | SA_RESTART);
}

InterruptNotifier::~InterruptNotifier() {
  installHandler(SIGINT, SIG_DFL, 0);
  installHandler(SIGTERM, SIG_DFL, 0);
  notifier_.reset();
  for (int& fd : wakePipe) {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
}

void InterruptNotifier::onReadable() {
  unsigned char byte = 0;
  bool received = false;
  while (::read(wakePipe[0], &byte, 1) == 1) {
    received = true;
    signalNumber_ = byte;
  }
  if (!received || interrupted_) return;
  interrupted_ = true;
  if (onInterrupt_) onInterrupt_();
}

}  // namespace qrkcli

#include "interrupt_notifier.h"

#include <csignal>

#if defined(_WIN32)
#include <windows.h>

#include <QCoreApplication>
#include <QMetaObject>
#include <atomic>
#else
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace qrkcli {

#if defined(_WIN32)

namespace {

// The console calls its handler on a thread of its own: the handler only
// queues the call to the event thread, where the one live notifier takes it.
std::function<void(int)> deliverTo;
std::atomic<bool> caught{false};

BOOL WINAPI onConsoleEvent(DWORD event) {
  const int signalNumber = event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT ? SIGINT
                           : event == CTRL_CLOSE_EVENT                        ? SIGTERM
                                                                              : 0;
  // A second Ctrl-C while the stop is under way ends the process the default way.
  if (signalNumber == 0 || caught.exchange(true)) return FALSE;
  QMetaObject::invokeMethod(
      QCoreApplication::instance(),
      [signalNumber] {
        if (deliverTo) deliverTo(signalNumber);
      },
      Qt::QueuedConnection);
  return TRUE;
}

}  // namespace

InterruptNotifier::InterruptNotifier(std::function<void()> onInterrupt)
    : onInterrupt_(std::move(onInterrupt)) {
  deliverTo = [this](int signalNumber) { take(signalNumber); };
  caught = false;
  SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

InterruptNotifier::~InterruptNotifier() {
  SetConsoleCtrlHandler(onConsoleEvent, FALSE);
  deliverTo = nullptr;
}

#else

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
  if (received) take(signalNumber_);
}

#endif

void InterruptNotifier::take(int signalNumber) {
  if (interrupted_) return;
  signalNumber_ = signalNumber;
  interrupted_ = true;
  if (onInterrupt_) onInterrupt_();
}

}  // namespace qrkcli

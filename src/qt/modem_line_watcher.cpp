#include "qt/modem_line_watcher.h"

#include <QMetaObject>
#include <QPointer>

#if defined(Q_OS_LINUX)
#include <pthread.h>
#include <signal.h>
#include <sys/ioctl.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <future>
#include <mutex>
#include <thread>
#endif

namespace qrk {

#if defined(Q_OS_LINUX)

namespace {

// The driver's wait has no time-out and no other way out: a signal whose
// handler does nothing, installed without SA_RESTART, ends it with EINTR.
constexpr int kWakeSignal = SIGUSR2;

void installWakeHandler() {
  static std::once_flag once;
  std::call_once(once, [] {
    struct sigaction action {};
    action.sa_handler = [](int) {};
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    ::sigaction(kWakeSignal, &action, nullptr);
  });
}

}  // namespace

struct ModemLineWatcher::Thread {
  std::atomic<bool> stopping{false};
  std::promise<void> ended;
  std::thread thread;
};

std::unique_ptr<ModemLineWatcher> ModemLineWatcher::create(const QSerialPort& port,
                                                           std::function<void()> changed) {
  const int fd = port.handle();
  installWakeHandler();
  std::unique_ptr<ModemLineWatcher> watcher(new ModemLineWatcher(std::move(changed)));
  watcher->thread_ = std::make_unique<Thread>();
  Thread* t = watcher->thread_.get();
  QPointer<ModemLineWatcher> target(watcher.get());
  t->thread = std::thread([t, target, fd] {
    const int lines = TIOCM_CTS | TIOCM_DSR | TIOCM_CD | TIOCM_RNG;
    auto report = [target] {
      QMetaObject::invokeMethod(
          target.data(),
          [target] {
            if (target && target->changed_) target->changed_();
          },
          Qt::QueuedConnection);
    };
    while (!t->stopping.load()) {
      if (::ioctl(fd, TIOCMIWAIT, lines) == 0) {
        report();
      } else if (errno != EINTR) {
        report();
        break;
      }
    }
    t->ended.set_value();
  });
  return watcher;
}

ModemLineWatcher::~ModemLineWatcher() {
  if (!thread_) return;
  thread_->stopping.store(true);
  std::future<void> ended = thread_->ended.get_future();
  // A signal sent just before the thread enters the driver's wait is lost;
  // sending again until it has ended closes that gap.
  while (ended.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready) {
    ::pthread_kill(thread_->thread.native_handle(), kWakeSignal);
    if (ended.wait_for(std::chrono::milliseconds(5)) == std::future_status::ready) break;
  }
  thread_->thread.join();
}

#else

struct ModemLineWatcher::Thread {};

std::unique_ptr<ModemLineWatcher> ModemLineWatcher::create(const QSerialPort&,
                                                           std::function<void()>) {
  return nullptr;
}

ModemLineWatcher::~ModemLineWatcher() = default;

#endif

ModemLineWatcher::ModemLineWatcher(std::function<void()> changed) : changed_(std::move(changed)) {}

}  // namespace qrk

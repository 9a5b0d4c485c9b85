#include "terminal_start_key.h"

#include <unistd.h>

#include <cstdio>
#include <utility>

namespace qrkcli {

bool TerminalStartKey::arm(std::function<void(bool pressed)> pressed) {
  pressed_ = std::move(pressed);
  if (!notifier_) {
    notifier_ = std::make_unique<QSocketNotifier>(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { onReadable(); });
  }
  std::fputs("\npress Enter to start the next chip", stderr);
  notifier_->setEnabled(true);
  return true;
}

void TerminalStartKey::disarm() {
  if (notifier_) notifier_->setEnabled(false);
  pressed_ = nullptr;
}

void TerminalStartKey::onReadable() {
  char buffer[256];
  const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
  if (n < 0) return;  // interrupted: the notifier comes again
  bool line = n == 0;
  for (ssize_t i = 0; i < n; ++i) line = line || buffer[i] == '\n';
  if (!line || !pressed_) return;
  // Whatever else was typed belongs to this key, not to the next chip.
  std::exchange(pressed_, nullptr)(n > 0);
  if (n == 0) notifier_->setEnabled(false);
}

}  // namespace qrkcli

#include "platform/beep_alert.h"

namespace qrk {

void beepAlert(Host& host, EventLoop& loop) {
  constexpr int kSpacingMs = 150;
  auto timer = loop.createTimer();
  for (int i = 0; i < 3; ++i) {
    host.beep();
    timer->start(kSpacingMs);
    loop.waitUntil([&] { return !timer->isActive(); });
  }
}

}  // namespace qrk

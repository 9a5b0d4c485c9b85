#include "ui/settings_ticker.h"

#include <utility>

namespace qrk {

SettingsTicker::SettingsTicker(EventLoop& loop, Steps steps)
    : steps_(std::move(steps)), timer_(loop.createTimer()) {
  timer_->setHandler([this] { tick(); });
}

void SettingsTicker::changed(Change change) {
  if (change == Change::MayMoveMemoryMap) {
    mapMayHaveMoved_ = true;
  } else {
    armed_ = false;
  }
  timer_->start(kIntervalMs);
}

void SettingsTicker::disarmReloadCheck() { armed_ = false; }

void SettingsTicker::startClosing(int intervalMs) {
  closing_ = true;
  armed_ = false;
  mapMayHaveMoved_ = false;
  deferred_ = false;
  timer_->start(intervalMs);
}

bool SettingsTicker::pending() const { return timer_->isActive(); }

void SettingsTicker::tick() {
  timer_->stop();
  if (steps_.save) steps_.save();
  if (steps_.showMemoryMap) steps_.showMemoryMap();
  // A check a run deferred is also served here, should no one report the
  // run's end.
  if ((armed_ || mapMayHaveMoved_ || deferred_) && !closing_) {
    if (steps_.runActive && steps_.runActive()) {
      deferred_ = true;
    } else {
      deferred_ = false;
      if (steps_.checkReload) steps_.checkReload();
    }
  }
  mapMayHaveMoved_ = false;
  armed_ = true;
}

void SettingsTicker::runEnded() {
  if (!deferred_ || closing_) return;
  if (steps_.runActive && steps_.runActive()) return;
  deferred_ = false;
  if (steps_.checkReload) steps_.checkReload();
}

}  // namespace qrk

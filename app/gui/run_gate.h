#pragma once

#include <QObject>
#include <functional>

#include "ops/run_controls.h"

class QWidget;

namespace qrk {
class WindowModel;
}

namespace qrkgui {

// What every page is told when a run starts, returns or a choice that governs
// a control changes.
struct RunLock {
  qrk::RunControls controls;
  qrk::UnlockConditions conditions;
};

// One run at a time for the whole window (a Run, a Re-Run loop, a board
// download). A run waits on the event loop, so a second click could otherwise
// start a run inside the first; the pages start theirs through here and the
// window locks every page while it lasts.
class RunGate : public QObject {
  Q_OBJECT

 public:
  explicit RunGate(qrk::WindowModel& model) : model_(model) {}

  bool running() const { return running_; }
  // Runs `work` unless a run is active, with lockChanged() before and after.
  void run(const std::function<void()>& work);
  // A choice that governs the lock changed (Stop clicked, an ISP DEMO "none").
  void refreshLock() { emit lockChanged(); }

 signals:
  void lockChanged();
  // After the lock was lifted.
  void returned();

 private:
  qrk::WindowModel& model_;
  bool running_ = false;
};

// Enables each widget of `page` that a run locks as the lock says.
void applyRunLock(QWidget& page, const RunLock& lock);

}  // namespace qrkgui

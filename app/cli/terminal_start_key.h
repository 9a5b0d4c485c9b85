#pragma once

#include <QSocketNotifier>
#include <functional>
#include <memory>

#include "ops/start_signal.h"

namespace qrkcli {

// --start-on enter: a line typed on stdin starts the next chip; the end of
// stdin ends the shift.
class TerminalStartKey : public qrk::StartKey {
 public:
  bool arm(std::function<void(bool pressed)> pressed) override;
  void disarm() override;

 private:
  void onReadable();

  std::unique_ptr<QSocketNotifier> notifier_;
  std::function<void(bool)> pressed_;
};

}  // namespace qrkcli

#include "run_gate.h"

#include <QWidget>

#include "ui/window_model.h"

namespace qrkgui {

namespace {

// The name of the control array a widget belongs to: "Option3_1" is a button
// of "Option3", "comb_485_pin_0" a list of "comb_485_pin".
QString arrayName(const QString& objectName) {
  const qsizetype underscore = objectName.lastIndexOf('_');
  if (underscore <= 0 || underscore + 1 >= objectName.size()) return objectName;
  for (qsizetype i = underscore + 1; i < objectName.size(); ++i) {
    if (!objectName.at(i).isDigit()) return objectName;
  }
  return objectName.left(underscore);
}

}  // namespace

void RunGate::run(const std::function<void()>& work) {
  if (model_.runActive() || running_) return;
  running_ = true;
  emit lockChanged();
  work();
  running_ = false;
  emit lockChanged();
  emit returned();
}

void applyRunLock(QWidget& page, const RunLock& lock) {
  for (QWidget* w : page.findChildren<QWidget*>()) {
    const std::string name = arrayName(w->objectName()).toStdString();
    if (qrk::isLockedDuringRun(name)) {
      w->setEnabled(qrk::controlEnabled(name, lock.controls, lock.conditions));
    }
  }
}

}  // namespace qrkgui

#pragma once

#include <QWidget>
#include <array>

#include "window_page.h"

class QCheckBox;
class QLineEdit;
class QRadioButton;

namespace qrkgui {

// The tab "自动增量" (`fraAuto_Increase`): a serial number stamped into the
// image, where and how wide, the next value, the step and its format. While
// ticked the inputs belong to the stamped number and cannot be edited.
class AutoIncrementPage : public QWidget, public WindowPage {
  Q_OBJECT

 public:
  explicit AutoIncrementPage(const PageContext& context);

  void showSaved() override { showInputs(); }
  void showFile(const QString&) override { showInputs(); }
  void showLock(const RunLock& lock) override;
  void showRunResult() override { showInputs(); }

 signals:
  // The serial number was stamped into the image or taken out.
  void imageChanged();

 private:
  void showInputs();

  qrk::Programmer& programmer_;
  QCheckBox* enableBox_;
  std::array<QLineEdit*, 4> inputs_{};  // address, length, next value, increment
  std::array<QRadioButton*, 3> formats_{};
};

}  // namespace qrkgui

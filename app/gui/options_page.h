#pragma once

#include <QWidget>

#include "window_page.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;

namespace qrkgui {

// The tab "Option/选项": how runs go on a production bench (reload the file
// before each run, the Re-Run interval, the success beep, leaving out the
// blocks an erased, blank-checked chip already holds) and the fixture (who
// switches the target's supply, and what starts each chip of a Re-Run).
class OptionsPage : public QWidget, public WindowPage {
  Q_OBJECT

 public:
  explicit OptionsPage(const PageContext& context);

  void showSaved() override;
  void showLock(const RunLock& lock) override { applyRunLock(*this, lock); }

 private:
  // The fixture as the widgets say, for the model.
  void fixtureEdited();

  qrk::Programmer& programmer_;
  qrk::WindowModel& model_;
  QCheckBox* reloadBox_;
  QComboBox* reRunDelayList_;
  QRadioButton* beepNo_;
  QRadioButton* beepYes_;
  QCheckBox* skipBlankBox_;
  QComboBox* supplyList_;
  QLineEdit* powerOnCommand_;
  QLineEdit* powerOffCommand_;
  QComboBox* startList_;
};

}  // namespace qrkgui

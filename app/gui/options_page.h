#pragma once

#include <QWidget>

#include "window_page.h"

class QCheckBox;
class QComboBox;
class QRadioButton;

namespace qrkgui {

// The tab "Option/选项": how runs go on a production bench (reload the file
// before each run, the Re-Run interval, the success beep, leaving out the
// blocks an erased, blank-checked chip already holds).
class OptionsPage : public QWidget, public WindowPage {
  Q_OBJECT

 public:
  explicit OptionsPage(const PageContext& context);

  void showSaved() override;

 private:
  qrk::Programmer& programmer_;
  qrk::WindowModel& model_;
  QCheckBox* reloadBox_;
  QComboBox* reRunDelayList_;
  QRadioButton* beepNo_;
  QRadioButton* beepYes_;
  QCheckBox* skipBlankBox_;
};

}  // namespace qrkgui

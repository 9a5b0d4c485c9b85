#pragma once

#include <QGroupBox>
#include <array>

#include "window_page.h"

class QLabel;

namespace qrkgui {

// The frame "read MCU Option" (`Frame4`): the options last read back from
// the chip (`read_Option`) and its lock state (`LabLock`), for reference only.
class OptionReport : public QGroupBox, public WindowPage {
  Q_OBJECT

 public:
  OptionReport(const PageContext& context, QWidget* parent);

  void layoutContents();

  void showModel() override;
  void showRunResult() override { showReadOptions(); }

 private:
  void showReadOptions();

  qrk::Programmer& programmer_;
  QWidget* cells_;
  std::array<QLabel*, 7> readOptions_{};
  QLabel* lockState_;
};

}  // namespace qrkgui

#pragma once

#include <QWidget>
#include <array>

#include "ispdemo/baud_calculator.h"
#include "window_page.h"

class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace qrkgui {

// The tab "烧录 ISP DEMO" (`fraDownload_ISP_demo`): how the ISP DEMO program
// is built for the user's board (crystal, baud rate and its error, parity,
// data flash erase, an external watchdog and an RS-485 direction pin). The
// tab is never available, but its choices are kept and saved all the same.
class IspDemoPage : public QWidget, public WindowPage {
  Q_OBJECT

 public:
  explicit IspDemoPage(const PageContext& context);

  void showSaved() override;
  void showLock(const RunLock& lock) override;
  bool available() const override { return false; }

 private:
  using OptionPair = std::array<QRadioButton*, 2>;
  using PinLists = std::array<QComboBox*, 2>;  // port, bit

  void choicesChanged();
  void showBaudError();

  qrk::WindowModel& model_;
  RunGate& runs_;
  qrk::BaudLabel baudError_;
  QComboBox* crystalList_;
  QComboBox* baudList_;
  QLabel* baudErrorLabel_;
  OptionPair parity_{};          // YES, NO
  OptionPair eraseDataFlash_{};  // YES, NO
  OptionPair watchdog_{};        // none, fed through a pin
  PinLists watchdogPin_{};
  OptionPair rs485_{};  // none, direction through a pin
  PinLists rs485Pin_{};
  OptionPair rs485SendLevel_{};               // high sends, high receives
  std::array<QPushButton*, 3> runButtons_{};  // write, write again, stop
};

}  // namespace qrkgui

#pragma once

#include <QWidget>

#include "window_page.h"

class QComboBox;

namespace qrkgui {

// The tab "COMM/串行口": the serial port (`combCommPort`: COM1 .. COM8 or a
// typed device path) and the baud rate (`Combo1`). Neither is locked by a
// run: the next run's port can be chosen during a Re-Run loop.
class PortPage : public QWidget, public WindowPage {
  Q_OBJECT

 public:
  explicit PortPage(const PageContext& context);

  // A port chosen by name, as if typed into the list.
  void selectPort(const QString& portName);

  void showSaved() override;
  void showSettled() override { showPortChoice(); }
  // An adapter plugged in after start-up appears when the page is opened.
  void opened() override;

 private:
  void showPortEntries();
  void showPortChoice();

  qrk::WindowModel& model_;
  RunGate& runs_;
  QComboBox* portList_;
  QComboBox* baudList_;
};

}  // namespace qrkgui

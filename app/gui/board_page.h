#pragma once

#include <QWidget>

#include "window_page.h"

class QLineEdit;
class QPushButton;

namespace qrkgui {

// The tab "脱机烧录" (`Frame18`): the offline board, which programs chips
// without a computer, receives the image, the options and a limit of chips
// from here. Only models of memory-map kind 2 have one.
class BoardPage : public QWidget, public WindowPage {
  Q_OBJECT

 public:
  explicit BoardPage(const PageContext& context);

  void showLock(const RunLock& lock) override { applyRunLock(*this, lock); }
  bool available() const override;

 private:
  void download();

  qrk::Programmer& programmer_;
  qrk::WindowModel& model_;
  WindowHost& host_;
  RunGate& runs_;
  QLineEdit* chipLimit_;
  QPushButton* downloadButton_;
  QPushButton* legendButton_;
};

}  // namespace qrkgui

#pragma once

#include <QGroupBox>
#include <array>

#include "window_page.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace qrkgui {

// The frame "Open File / 打开文件" (`fraOpenFile`): where in the buffer a file
// goes, whether the buffer is cleared first, what the unused bytes of the
// file's range hold, the open button and the checksum of what was read.
class FileFrame : public QGroupBox, public WindowPage {
  Q_OBJECT

 public:
  explicit FileFrame(const PageContext& context, QWidget* parent);

  // Reads `path` into the image with the frame's choices.
  void openFile(const QString& path);

  void showSaved() override;
  void showLock(const RunLock& lock) override { applyRunLock(*this, lock); }

 signals:
  void fileOpened(const QString& path);

 private:
  void chooseFile();

  qrk::Programmer& programmer_;
  qrk::WindowModel& model_;
  WindowHost& host_;
  QLineEdit* startAddress_;
  QPushButton* openButton_;
  QLineEdit* checksum_;
  QCheckBox* clearBufferBox_;
  std::array<QRadioButton*, 2> fillByteChoice_{};  // FF, 00
};

}  // namespace qrkgui

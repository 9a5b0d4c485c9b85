#pragma once

#include <QWidget>

#include "window_page.h"

class QLineEdit;
class QPushButton;

namespace qrkgui {

// The tab "存储文件" (`fraSave_file`): a range of the buffer written to a
// .bin file. The length follows the hex view's range of interest.
class StorePage : public QWidget, public WindowPage {
  Q_OBJECT

 public:
  explicit StorePage(const PageContext& context);

  // The view's range changed: its length, and whether a store can go ahead.
  void showViewRange();

  void showSaved() override;

 private:
  void updateStoreButton();
  void store();

  qrk::Programmer& programmer_;
  qrk::HexView& view_;
  WindowHost& host_;
  QLineEdit* startAddress_;
  QLineEdit* length_;
  QPushButton* storeButton_;
};

}  // namespace qrkgui

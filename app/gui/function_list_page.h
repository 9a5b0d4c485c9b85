#pragma once

#include <QWidget>

#include "window_page.h"

namespace qrkgui {

class RowList;

// The tab "Set Auto/设置Auto": the function list Auto runs, built from a
// palette of functions (`txtAuto_0` .. `txtAuto_7`) into its slots
// (`txtAuto_8` .. `txtAuto_15`) with Add, Del and Del All (`comAuto`) or by
// double-clicks. The list is saved with every change.
class FunctionListPage : public QWidget, public WindowPage {
  Q_OBJECT

 public:
  explicit FunctionListPage(const PageContext& context);

  void showSaved() override { showLists(); }

 private:
  void showLists();

  qrk::Programmer& programmer_;
  RowList* palette_;
  RowList* slots_;
};

}  // namespace qrkgui

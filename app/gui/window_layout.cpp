// The window's layout on every resize. The rules are in twips, as the
// window's users know them; Twips turns them into pixels at the screen's DPI.
#include <QResizeEvent>
#include <QTabBar>

#include "file_frame.h"
#include "hex_panel.h"
#include "main_window.h"
#include "option_panel_page.h"
#include "option_report.h"
#include "page_tabs.h"
#include "page_widgets.h"
#include "program_frame.h"

namespace qrkgui {

namespace {

constexpr int kLeftColumnTwips = 6600;

}  // namespace

void MainWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  layoutWindow();
}

void MainWindow::layoutWindow() {
  const Twips& t = twips_;
  const int W = width();
  const int H = height();
  const int margin = t.px(120);
  const int left = t.px(kLeftColumnTwips);

  // Upper left: the first tab strip, then the open-file frame.
  const int tabBar = upperTabs_->tabBar()->sizeHint().height();
  place(upperTabs_, margin, margin, left, tabBar + optionPanel_->sizeHint().height() + 6);
  place(fileFrame_, margin, upperTabs_->geometry().bottom() + 4, left, 104);

  // Left column: the program frame reaches down to 600 above the bottom.
  const int stepTop = fileFrame_->geometry().bottom() + 4;
  place(programFrame_, margin, stepTop, left, H - t.px(600) - stepTop);
  programFrame_->layoutContents();

  // Lower right: the second tab strip, 3810 high, 600 above the bottom.
  const int lowerLeft = left + t.px(200);
  const int lowerHeight = t.px(3810);
  place(lowerFrame_, lowerLeft, H - t.px(600) - lowerHeight, W - lowerLeft - t.px(200),
        lowerHeight);
  place(lowerTabs_, 0, 0, lowerFrame_->width(), lowerFrame_->height());

  // Upper right: the hex view down to 680 above the second tab strip, and the
  // read-back option report in that gap.
  const int viewTop = t.px(120);
  place(hexPanel_, lowerLeft, viewTop, lowerFrame_->width(),
        lowerFrame_->y() - t.px(680) - viewTop);
  hexPanel_->layoutContents();
  place(optionReport_, lowerLeft, hexPanel_->geometry().bottom() + 2, lowerFrame_->width(),
        t.px(680) - 4);
  optionReport_->layoutContents();
}

}  // namespace qrkgui

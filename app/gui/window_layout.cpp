// The window's layout on every resize. The rules are in twips, as the
// window's users know them; Twips turns them into pixels at the screen's DPI.
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QResizeEvent>
#include <QTabBar>
#include <QTabWidget>

#include "hex_panel.h"
#include "main_window.h"
#include "row_list.h"

namespace qrkgui {

namespace {

void place(QWidget* w, int x, int y, int width, int height) {
  w->setGeometry(x, y, std::max(0, width), std::max(0, height));
}

constexpr int kLeftColumnTwips = 6600;
constexpr int kOptionPanelWidthTwips = 5800;
constexpr int kOptionPanelHeightTwips = 3050;
constexpr int kModelRowsHeight = 62;  // the model, ISP Space and memory-map lines above the panel

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
  const int tabBar = TabStrip1->tabBar()->sizeHint().height();
  const int pageHeight = kModelRowsHeight + t.px(kOptionPanelHeightTwips) + 6;
  place(TabStrip1, margin, margin, left, tabBar + pageHeight + 6);
  place(fraOpenFile, margin, TabStrip1->geometry().bottom() + 4, left, 104);
  layoutOptionPanel();

  // Left column: the program frame reaches down to 600 above the bottom.
  const int stepTop = fraOpenFile->geometry().bottom() + 4;
  place(framStep, margin, stepTop, left, H - t.px(600) - stepTop);
  const int h = framStep->height();
  const int w = framStep->width();
  const int kbyteTop = h - t.px(300);
  place(labKbyte, 8, kbyteTop, 64, t.px(300) - 2);
  place(ProgressBar1, 76, kbyteTop + 2, w - 84, t.px(300) - 6);
  const int buttonTop = kbyteTop - t.px(500);
  const int buttonHeight = t.px(500) - 4;
  const int reRunWidth = (w - 24) * 2 / 5;
  const int runWidth = (w - 24 - reRunWidth) / 2;
  place(comReDownload, 8, buttonTop, reRunWidth, buttonHeight);
  place(comDownload, 12 + reRunWidth, buttonTop, runWidth, buttonHeight);
  place(comStop_Download, 16 + reRunWidth + runWidth, buttonTop, w - 24 - reRunWidth - runWidth,
        buttonHeight);
  const int columnLeft = t.px(140);
  const int columnWidth = 118;
  const int countHeight = 48;
  const int countTop = buttonTop - t.px(80) - countHeight;
  place(frmWrite_OK_Count, columnLeft, countTop, columnWidth, countHeight);
  place(txtWrite_OK_Count, 6, 18, columnWidth - 62, 24);
  place(comClear_OK_Count, columnWidth - 52, 17, 46, 26);
  const int columnTop = 18;
  place(Picture1, columnLeft, columnTop, columnWidth, countTop - t.px(400) - columnTop);
  place(txtFuction, 0, 0, Picture1->width(), Picture1->height());
  txtFuction->layoutRows(Picture1->height() / std::max(1, txtFuction->count()));
  const int messageLeft = columnLeft + columnWidth + 6;
  place(Frame3, messageLeft, 16, w - messageLeft - 6, buttonTop - t.px(350));
  place(textMsg, 6, 20, Frame3->width() - 12, Frame3->height() - 26);

  // Lower right: the second tab strip, 3810 high, 600 above the bottom.
  const int lowerLeft = left + t.px(200);
  const int lowerHeight = t.px(3810);
  place(Frame6, lowerLeft, H - t.px(600) - lowerHeight, W - lowerLeft - t.px(200), lowerHeight);
  place(TabStrip2, 0, 0, Frame6->width(), Frame6->height());

  // Upper right: the hex view down to 680 above the second tab strip, and the
  // read-back option report in that gap.
  const int viewTop = t.px(120);
  place(Frame7, lowerLeft, viewTop, Frame6->width(), Frame6->y() - t.px(680) - viewTop);
  Frame7->layoutContents(t);
  place(Frame4, lowerLeft, Frame7->geometry().bottom() + 2, Frame6->width(), t.px(680) - 4);
  place(Picture5, 4, 14, Frame4->width() - 8, Frame4->height() - 16);
  // LOCK, SB, MOVCL, EN6T on the first line; HWBS, oscillator, ISP Space and
  // the lock state on the second, where the oscillator's text is the longest.
  const int cellHeight = Picture5->height() / 2;
  const std::array<QLabel*, 8> cells = {read_Option[0], read_Option[1], read_Option[2],
                                        read_Option[3], read_Option[4], read_Option[5],
                                        read_Option[6], LabLock};
  const std::array<int, 8> percent = {25, 25, 25, 25, 18, 36, 28, 18};
  int x = 0;
  for (int i = 0; i < 8; ++i) {
    if (i == 4) x = 0;
    const int cellWidth = Picture5->width() * percent[static_cast<std::size_t>(i)] / 100;
    place(cells[i], x, (i / 4) * cellHeight, cellWidth - 2, cellHeight);
    x += cellWidth;
  }
}

void MainWindow::layoutOptionPanel() {
  const Twips& t = twips_;
  place(picOption, 4, kModelRowsHeight, t.px(kOptionPanelWidthTwips),
        t.px(kOptionPanelHeightTwips));
  int shown = 0;
  for (QWidget* row : Picture2) shown += row->isVisibleTo(picOption) ? 1 : 0;
  const int rowHeight = picOption->height() / std::max(1, shown);
  const int buttonWidth = 92;
  const int captionWidth = picOption->width() - 2 * buttonWidth - 4;
  int y = 0;
  for (int row = 0; row < static_cast<int>(Picture2.size()); ++row) {
    if (!Picture2[row]->isVisibleTo(picOption)) continue;
    place(Picture2[row], 0, y, picOption->width(), rowHeight);
    const bool twoLines = LabOptionC[row]->isVisibleTo(Picture2[row]);
    const int lineHeight = twoLines ? rowHeight / 2 : rowHeight;
    place(LabOptionE[row], 2, 0, captionWidth, lineHeight);
    place(LabOptionC[row], 2, lineHeight, captionWidth, rowHeight - lineHeight);
    place(Option[row][0], captionWidth + 4, 0, buttonWidth, rowHeight);
    place(Option[row][1], captionWidth + 4 + buttonWidth, 0, buttonWidth, rowHeight);
    y += rowHeight;
  }
}

}  // namespace qrkgui

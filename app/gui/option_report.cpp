#include "option_report.h"

#include "device/option_panel.h"
#include "ops/programmer.h"
#include "page_widgets.h"

namespace qrkgui {

OptionReport::OptionReport(const PageContext& context, QWidget* parent)
    : QGroupBox(QStringLiteral("read MCU Option ( Only reference./ 仅供参考)"), parent),
      programmer_(context.programmer) {
  static_assert(std::tuple_size_v<decltype(readOptions_)> == qrk::kReadOptionLabelCount);
  setObjectName(QStringLiteral("Frame4"));
  cells_ = named(new QWidget(this), QStringLiteral("Picture5"));
  QFont small = font();
  small.setPointSizeF(std::max(6.0, small.pointSizeF() - 1));
  for (int i = 0; i < qrk::kReadOptionLabelCount; ++i) {
    readOptions_[i] = label(cells_, {}, QStringLiteral("read_Option_%1").arg(i));
    readOptions_[i]->setFont(small);
  }
  lockState_ = label(cells_, {}, QStringLiteral("LabLock"));
  lockState_->setFont(small);
}

void OptionReport::showModel() {
  showReadOptions();
  readOptions_[qrk::kReadOptionOscillatorLabel]->setVisible(
      programmer_.options().readOptionOscillatorVisible);
}

void OptionReport::showReadOptions() {
  const auto& texts = programmer_.options().readOptionLabels;
  for (int i = 0; i < qrk::kReadOptionLabelCount; ++i) {
    readOptions_[i]->setText(QString::fromStdString(texts[static_cast<std::size_t>(i)]));
  }
}

void OptionReport::layoutContents() {
  place(cells_, 4, 14, width() - 8, height() - 16);
  // LOCK, SB, MOVCL, EN6T on the first line; HWBS, oscillator, ISP Space and
  // the lock state on the second, where the oscillator's text is the longest.
  const int cellHeight = cells_->height() / 2;
  const std::array<QLabel*, 8> cells = {readOptions_[0], readOptions_[1], readOptions_[2],
                                        readOptions_[3], readOptions_[4], readOptions_[5],
                                        readOptions_[6], lockState_};
  const std::array<int, 8> percent = {25, 25, 25, 25, 18, 36, 28, 18};
  int x = 0;
  for (int i = 0; i < 8; ++i) {
    if (i == 4) x = 0;
    const int cellWidth = cells_->width() * percent[static_cast<std::size_t>(i)] / 100;
    place(cells[i], x, (i / 4) * cellHeight, cellWidth - 2, cellHeight);
    x += cellWidth;
  }
}

}  // namespace qrkgui

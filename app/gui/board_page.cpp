#include "board_page.h"

#include <QPushButton>

#include "offline/board_download.h"
#include "offline/board_messages.h"
#include "ops/programmer.h"
#include "page_widgets.h"
#include "ui/window_model.h"
#include "window_host.h"

namespace qrkgui {

BoardPage::BoardPage(const PageContext& context)
    : programmer_(context.programmer),
      model_(context.model),
      host_(context.host),
      runs_(context.runs) {
  setObjectName(QStringLiteral("Frame18"));
  const std::array<const char*, 11> lines = {
      "脱机烧录板可代替计算机进行编程工作, 用于批量烧录用户应用",
      "程序。使用时必须先将应用程序和选项下载到脱机烧录板,再由脱机",
      "烧录板将应用程序烧录到目的单片机中。",
      "1.先选择(目的)单片机型号,正确设置 ISP Space (ISP程序大小)。",
      "2.正确设置加密位、EN6T、HWBS和振荡器控制位等选项。",
      "3.打开文件。打开多个文件时要注意先打开的文件不要被覆盖。",
      "4.输入脱机烧录板烧录限量(1--1000000)。",
      "5.点击下载用户应用程序按钮, 出现上电提示后给下载板上电。",
      "6.下载完毕断电,将目的MCU放入锁紧座U5-Socket,锁紧、上电即可。",
      "7.请用户注意对脱机下载板的管理。",
      "先点击下载用户应用程序按钮,出现上电提示后再给下载板上电"};
  QFont small = font();
  small.setPointSizeF(std::max(6.0, small.pointSizeF() - 1.5));
  for (std::size_t i = 0; i < lines.size(); ++i) {
    QLabel* l = label(this, QString::fromUtf8(lines[i]), QStringLiteral("labTJXZ_%1").arg(i));
    l->setFont(small);
    l->setGeometry(8, 2 + static_cast<int>(i) * 14, 420, 14);
  }
  label(this, QStringLiteral("脱机烧录板烧录限量:"), QStringLiteral("Label8"))
      ->setGeometry(8, 162, 150, 24);
  chipLimit_ = named(new QLineEdit(this), QStringLiteral("txt_download_max"));
  chipLimit_->setGeometry(160, 162, 100, 24);
  downloadButton_ =
      named(new QPushButton(QStringLiteral("下载用户应用程序"), this), QStringLiteral("comTJXZ"));
  downloadButton_->setGeometry(8, 194, 160, 28);
  legendButton_ = named(new QPushButton(QStringLiteral("脱机烧录过程中的显示"), this),
                        QStringLiteral("comTJSL_disp"));
  legendButton_->setGeometry(176, 194, 180, 28);

  connect(downloadButton_, &QPushButton::clicked, this, &BoardPage::download);
  connect(legendButton_, &QPushButton::clicked, this, [this] {
    host_.messageBox(qrk::ledLegendText(), std::string(qrk::kLedLegendTitle),
                     qrk::MessageButtons::Ok);
  });
}

bool BoardPage::available() const {
  return programmer_.model().mapKind == qrk::MapKind::TopOfModel;
}

void BoardPage::download() {
  runs_.run([this] {
    programmer_.setPortName(model_.state().ports.portToOpen());
    qrk::BoardDownload board(programmer_, model_.production());
    board.run(chipLimit_->text().toStdString());
    model_.runEnded();
  });
}

}  // namespace qrkgui

#include "isp_demo_page.h"

#include <QPushButton>

#include "page_widgets.h"
#include "ui/isp_demo_choices.h"
#include "ui/window_model.h"

namespace qrkgui {

IspDemoPage::IspDemoPage(const PageContext& context) : model_(context.model), runs_(context.runs) {
  using qrk::IspDemoChoices;
  setObjectName(QStringLiteral("fraDownload_ISP_demo"));
  label(this, QStringLiteral("内部时钟频率(MHz)"))->setGeometry(8, 6, 130, 22);
  crystalList_ = list(this, QStringLiteral("comb_oscillate_frequency"),
                      qsList(IspDemoChoices::kCrystalEntries));
  crystalList_->setEditable(true);
  crystalList_->setGeometry(140, 6, 90, 22);
  label(this, QStringLiteral("ISP与PC通讯波特率及误差"))->setGeometry(8, 32, 170, 22);
  baudList_ = list(this, QStringLiteral("comb_ISP_buad"),
                   {"2400", "4800", "9600", "14400", "19200", "28800", "38400", "57600", "115200"});
  baudList_->setEditable(true);
  baudList_->setGeometry(180, 32, 80, 22);
  baudErrorLabel_ = label(this, QStringLiteral("   %"), QStringLiteral("Lab_BAUD_ERR"));
  baudErrorLabel_->setGeometry(266, 32, 60, 22);
  const auto pairRow = [this](int y, const QString& caption, const QString& labelName,
                              const QString& name, const QString& a, const QString& b) {
    auto* box = new QWidget(this);
    box->setGeometry(8, y, 520, 24);
    label(box, caption, labelName)->setGeometry(0, 0, 190, 24);
    auto pair = radioPair(box, name, a, b);
    pair[0]->setGeometry(196, 0, 110, 24);
    pair[1]->setGeometry(310, 0, 140, 24);
    return pair;
  };
  parity_ = pairRow(58, QStringLiteral("奇偶校验"), {}, QStringLiteral("opt_ISP_DEMO_parity"),
                    "YES", "NO");
  eraseDataFlash_ = pairRow(82, QStringLiteral("擦除AP区时擦除 data flash区"),
                            QStringLiteral("LabISP_DEMO_erase_data"),
                            QStringLiteral("optISP_DEMO_erase_data"), "YES", "NO");
  watchdog_ = pairRow(106, QStringLiteral("外部看门狗:"), QStringLiteral("Lab_ISP_DEMO_WDT"),
                      QStringLiteral("opt_ISP_DEMO_WDT"), "无", "用1个I/O口喂狗");
  rs485_ = pairRow(154, QStringLiteral("485收发控制:"), QStringLiteral("Lab_485_pin"),
                   QStringLiteral("opt_485_pin"), "无485", "用1个I/O口控制");
  rs485SendLevel_ = pairRow(202, QStringLiteral("I/O控制逻辑:"), QStringLiteral("Lab_485_logic"),
                            QStringLiteral("opt_485_logic"), "高电平发送,低接收", "高接收,低发送");
  const QStringList ports = qsList(IspDemoChoices::kPortEntries);
  const QStringList bits = qsList(IspDemoChoices::kBitEntries);
  for (int i = 0; i < 2; ++i) {
    watchdogPin_[i] =
        list(this, QStringLiteral("comb_ISP_DEMO_WDT_%1").arg(i), i == 0 ? ports : bits);
    watchdogPin_[i]->setGeometry(204 + i * 70, 130, 64, 22);
    rs485Pin_[i] = list(this, QStringLiteral("comb_485_pin_%1").arg(i), i == 0 ? ports : bits);
    rs485Pin_[i]->setGeometry(204 + i * 70, 178, 64, 22);
  }
  const std::array<std::pair<const char*, const char*>, 3> buttons = {{
      {"烧录ISP DEMO", "com_write_ISP_demo"},
      {"重复烧录ISP DEMO", "com_re_write_ISP_demo"},
      {"停止烧录", "com_ISP_demo_stop"},
  }};
  for (int i = 0; i < 3; ++i) {
    runButtons_[i] = named(new QPushButton(QString::fromUtf8(buttons[i].first), this),
                           QString::fromUtf8(buttons[i].second));
    runButtons_[i]->setGeometry(380, 130 + i * 30, 130, 26);
  }

  // The page saves on every change, as every other control does.
  for (QComboBox* box :
       {crystalList_, baudList_, watchdogPin_[0], watchdogPin_[1], rs485Pin_[0], rs485Pin_[1]}) {
    connect(box, &QComboBox::currentTextChanged, this, &IspDemoPage::choicesChanged);
  }
  for (const OptionPair& pair : {parity_, eraseDataFlash_, watchdog_, rs485_, rs485SendLevel_}) {
    for (QRadioButton* b : pair)
      connect(b, &QRadioButton::clicked, this, &IspDemoPage::choicesChanged);
  }
}

void IspDemoPage::showSaved() {
  const qrk::IspDemoChoices& demo = model_.state().ispDemo;
  {
    const QSignalBlocker crystal(crystalList_), baud(baudList_);
    crystalList_->setCurrentText(QString::fromStdString(demo.crystalText));
    baudList_->setCurrentText(QString::fromStdString(demo.baudText));
  }
  checkQuietly(parity_[demo.parityYes ? 0 : 1], true);
  checkQuietly(eraseDataFlash_[demo.eraseDataYes ? 0 : 1], true);
  checkQuietly(watchdog_[demo.noWatchdog ? 0 : 1], true);
  checkQuietly(rs485_[demo.no485Pin ? 0 : 1], true);
  checkQuietly(rs485SendLevel_[demo.rs485Logic == 1 ? 1 : 0], true);
  selectQuietly(watchdogPin_[0], demo.watchdogPort);
  selectQuietly(watchdogPin_[1], demo.watchdogBit);
  selectQuietly(rs485Pin_[0], demo.rs485Port);
  selectQuietly(rs485Pin_[1], demo.rs485Bit);
  showBaudError();
}

void IspDemoPage::showLock(const RunLock& lock) {
  applyRunLock(*this, lock);
  // The page is never shown: its run buttons cannot be reached.
  for (QPushButton* b : runButtons_) b->setEnabled(false);
}

void IspDemoPage::choicesChanged() {
  qrk::IspDemoChoices c;
  c.crystalText = crystalList_->currentText().toStdString();
  c.baudText = baudList_->currentText().toStdString();
  c.parityYes = parity_[0]->isChecked();
  c.eraseDataYes = eraseDataFlash_[0]->isChecked();
  c.noWatchdog = watchdog_[0]->isChecked();
  c.watchdogPort = watchdogPin_[0]->currentIndex();
  c.watchdogBit = watchdogPin_[1]->currentIndex();
  c.no485Pin = rs485_[0]->isChecked();
  c.rs485Port = rs485Pin_[0]->currentIndex();
  c.rs485Bit = rs485Pin_[1]->currentIndex();
  c.rs485Logic = rs485SendLevel_[1]->isChecked() ? 1 : 0;
  model_.ispDemoChanged(c);
  showBaudError();
  // The pin lists follow their "none" choice.
  runs_.refreshLock();
}

void IspDemoPage::showBaudError() {
  qrk::calcIspBaud(crystalList_->currentText().toStdString(),
                   baudList_->currentText().toStdString(), baudError_);
  baudErrorLabel_->setText(QString::fromStdString(baudError_.caption));
  QPalette colours = palette();
  if (baudError_.colour == qrk::BaudColour::Red)
    colours.setColor(QPalette::Window, QColor(255, 0, 0));
  if (baudError_.colour == qrk::BaudColour::Yellow) {
    colours.setColor(QPalette::Window, QColor(255, 255, 0));
  }
  colours.setColor(QPalette::WindowText, colours.color(QPalette::ButtonText));
  baudErrorLabel_->setAutoFillBackground(true);
  baudErrorLabel_->setPalette(colours);
}

}  // namespace qrkgui

#include "options_page.h"

#include <QCheckBox>
#include <array>
#include <string_view>

#include "ops/production_settings.h"
#include "ops/programmer.h"
#include "page_widgets.h"
#include "ui/window_model.h"

namespace qrkgui {

namespace {

// The list entries with the stored word each stands for.
struct Entry {
  const char* text;
  std::string_view word;
};

constexpr std::array kSupplyEntries = {
    Entry{"None / 无", "none"},
    Entry{"DTR", "dtr"},
    Entry{"RTS", "rts"},
    Entry{"DTR low / DTR 低", "dtr-low"},
    Entry{"RTS low / RTS 低", "rts-low"},
    Entry{"Command / 命令", "cmd"},
};

constexpr std::array kStartEntries = {
    Entry{"Countdown / 倒计时", "countdown"},
    Entry{"CTS", "cts"},
    Entry{"DSR", "dsr"},
    Entry{"DCD", "dcd"},
    Entry{"RI", "ri"},
};

template <std::size_t N>
QStringList entryTexts(const std::array<Entry, N>& entries) {
  QStringList texts;
  for (const Entry& e : entries) texts << QString::fromUtf8(e.text);
  return texts;
}

template <std::size_t N>
int entryOf(const std::array<Entry, N>& entries, const std::string& word) {
  for (std::size_t i = 0; i < N; ++i) {
    if (entries[i].word == word) return static_cast<int>(i);
  }
  return 0;
}

}  // namespace

OptionsPage::OptionsPage(const PageContext& context)
    : programmer_(context.programmer), model_(context.model) {
  setObjectName(QStringLiteral("Frame1_3"));
  reloadBox_ =
      named(new QCheckBox(QStringLiteral("每次下载前自动重新调入文件，方便调试使用"), this),
            QStringLiteral("cekReloadFile"));
  reloadBox_->setGeometry(10, 12, 380, 24);
  label(this, QStringLiteral("重复运行间隔时间(秒)"))->setGeometry(10, 50, 150, 24);
  reRunDelayList_ = list(this, QStringLiteral("comDalay_ReDownLoad"),
                         qsList(qrk::ProductionSettings::kDelayEntries));
  reRunDelayList_->setGeometry(170, 50, 60, 24);
  label(this, QStringLiteral("下载成功声音提示"))->setGeometry(10, 88, 150, 24);
  auto* beep = named(new QWidget(this), QStringLiteral("picBeep"));
  beep->setGeometry(170, 86, 140, 28);
  beepNo_ = named(new QRadioButton(QStringLiteral("NO"), beep), QStringLiteral("optBeepNo"));
  beepYes_ = named(new QRadioButton(QStringLiteral("YES"), beep), QStringLiteral("optBeepYes"));
  beepNo_->setGeometry(0, 2, 60, 24);
  beepYes_->setGeometry(66, 2, 60, 24);
  skipBlankBox_ = named(new QCheckBox(QStringLiteral("Skip blank blocks / 跳过空白块"), this),
                        QStringLiteral("cekSkipBlank"));
  skipBlankBox_->setToolTip(
      QStringLiteral("Program leaves out the blocks that are all FF in the image when this run "
                     "erased the chip and a blank check after the erase passed (fill byte FF)."));
  skipBlankBox_->setGeometry(10, 124, 380, 24);

  label(this, QStringLiteral("Target supply / 目标电源"))->setGeometry(10, 162, 150, 24);
  supplyList_ = list(this, QStringLiteral("comFixtureSupply"), entryTexts(kSupplyEntries));
  supplyList_->setToolTip(
      QStringLiteral("The adapter's line that switches the target's supply for each chip "
                     "(asserted = on; \"low\": released = on), or a pair of shell commands."));
  supplyList_->setGeometry(170, 162, 150, 24);
  label(this, QStringLiteral("Power on / 上电命令"))->setGeometry(10, 194, 150, 24);
  powerOnCommand_ = named(new QLineEdit(this), QStringLiteral("txtFixturePowerOn"));
  powerOnCommand_->setGeometry(170, 194, 220, 24);
  label(this, QStringLiteral("Power off / 断电命令"))->setGeometry(10, 226, 150, 24);
  powerOffCommand_ = named(new QLineEdit(this), QStringLiteral("txtFixturePowerOff"));
  powerOffCommand_->setGeometry(170, 226, 220, 24);
  label(this, QStringLiteral("Start signal / 启动信号"))->setGeometry(10, 258, 150, 24);
  startList_ = list(this, QStringLiteral("comFixtureStart"), entryTexts(kStartEntries));
  startList_->setToolTip(
      QStringLiteral("What starts each chip of Re-Run: the countdown, or the fixture closing "
                     "(the input line becoming active; it must open again before the next)."));
  startList_->setGeometry(170, 258, 150, 24);

  connect(reloadBox_, &QCheckBox::clicked, this,
          [this](bool ticked) { model_.reloadBoxClicked(ticked); });
  connect(reRunDelayList_, &QComboBox::activated, this,
          [this](int index) { model_.delayChosen(index); });
  connect(skipBlankBox_, &QCheckBox::clicked, this,
          [this](bool ticked) { model_.skipBlankClicked(ticked); });
  for (QComboBox* fixtureList : {supplyList_, startList_}) {
    connect(fixtureList, &QComboBox::activated, this, [this] { fixtureEdited(); });
  }
  for (QLineEdit* command : {powerOnCommand_, powerOffCommand_}) {
    connect(command, &QLineEdit::editingFinished, this, [this] { fixtureEdited(); });
  }
  for (QRadioButton* beepChoice : {beepNo_, beepYes_}) {
    connect(beepChoice, &QRadioButton::clicked, this,
            [this] { model_.beepChosen(beepYes_->isChecked()); });
  }
}

void OptionsPage::showSaved() {
  checkQuietly(reloadBox_, programmer_.loadChoices().reloadBeforeRun);
  checkQuietly(programmer_.production().beepOnSuccess ? beepYes_ : beepNo_, true);
  selectQuietly(reRunDelayList_, programmer_.production().delayIndex);
  checkQuietly(skipBlankBox_, programmer_.production().skipBlank);
  const qrk::SupplySwitch& supply = programmer_.supply().supplySwitch();
  selectQuietly(supplyList_, entryOf(kSupplyEntries, supply.name()));
  setTextQuietly(powerOnCommand_, QString::fromStdString(supply.onCommand));
  setTextQuietly(powerOffCommand_, QString::fromStdString(supply.offCommand));
  selectQuietly(startList_, entryOf(kStartEntries, programmer_.startGate().signal().name()));
}

void OptionsPage::fixtureEdited() {
  qrk::FixtureSettings fixture;
  const std::string_view supplyWord =
      kSupplyEntries[static_cast<std::size_t>(std::max(supplyList_->currentIndex(), 0))].word;
  fixture.supply = qrk::supplySwitchNamed(supplyWord).value_or(qrk::SupplySwitch{});
  fixture.supply.offMs = programmer_.supply().supplySwitch().offMs;
  fixture.supply.onCommand = powerOnCommand_->text().trimmed().toStdString();
  fixture.supply.offCommand = powerOffCommand_->text().trimmed().toStdString();
  const std::string_view startWord =
      kStartEntries[static_cast<std::size_t>(std::max(startList_->currentIndex(), 0))].word;
  fixture.start = qrk::startSignalNamed(startWord).value_or(qrk::StartSignal{});
  model_.fixtureChanged(fixture);
}

}  // namespace qrkgui

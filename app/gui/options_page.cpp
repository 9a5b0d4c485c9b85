#include "options_page.h"

#include <QCheckBox>

#include "ops/production_settings.h"
#include "ops/programmer.h"
#include "page_widgets.h"
#include "ui/window_model.h"

namespace qrkgui {

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

  connect(reloadBox_, &QCheckBox::clicked, this,
          [this](bool ticked) { model_.reloadBoxClicked(ticked); });
  connect(reRunDelayList_, &QComboBox::activated, this,
          [this](int index) { model_.delayChosen(index); });
  connect(skipBlankBox_, &QCheckBox::clicked, this,
          [this](bool ticked) { model_.skipBlankClicked(ticked); });
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
}

}  // namespace qrkgui

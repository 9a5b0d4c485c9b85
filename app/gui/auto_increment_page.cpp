#include "auto_increment_page.h"

#include <QCheckBox>

#include "ops/programmer.h"
#include "page_widgets.h"

namespace qrkgui {

AutoIncrementPage::AutoIncrementPage(const PageContext& context) : programmer_(context.programmer) {
  setObjectName(QStringLiteral("fraAuto_Increase"));
  label(this, QStringLiteral("改变以下参数后请重新打开文件"))->setGeometry(8, 4, 260, 20);
  enableBox_ = named(new QCheckBox(QStringLiteral("启用自动增量"), this),
                     QStringLiteral("cheAuto_Increase"));
  enableBox_->setGeometry(280, 4, 150, 22);
  const std::array<const char*, 4> captions = {"存放地址(HEX)", "字节数", "下一个值(10进制)",
                                               "增量"};
  for (int i = 0; i < 4; ++i) {
    label(this, QString::fromUtf8(captions[i]))->setGeometry(8, 30 + i * 28, 130, 22);
    inputs_[i] = named(new QLineEdit(this), QStringLiteral("texAuto_Increase_%1").arg(i));
    inputs_[i]->setGeometry(140, 30 + i * 28, 150, 22);
  }
  label(this, QStringLiteral("下一个值存储格式:"))->setGeometry(310, 30, 150, 22);
  const std::array<const char*, 3> formats = {"16进制", "十进制", "ASCII码"};
  auto* formatBox = new QWidget(this);
  formatBox->setGeometry(310, 56, 150, 84);
  for (int i = 0; i < 3; ++i) {
    formats_[i] = named(new QRadioButton(QString::fromUtf8(formats[i]), formatBox),
                        QStringLiteral("optAuto_Increase_%1").arg(i));
    formats_[i]->setGeometry(0, i * 28, 150, 24);
  }

  connect(enableBox_, &QCheckBox::clicked, this, [this](bool ticked) {
    programmer_.autoIncrement().onToggle(ticked);
    emit imageChanged();
    showInputs();
  });
  const std::array<void (qrk::AutoIncrement::*)(std::string), 4> setters = {
      &qrk::AutoIncrement::setAddressText, &qrk::AutoIncrement::setLengthText,
      &qrk::AutoIncrement::setNextValueText, &qrk::AutoIncrement::setIncrementText};
  for (int i = 0; i < 4; ++i) {
    connect(inputs_[i], &QLineEdit::textEdited, this,
            [this, setter = setters[i]](const QString& text) {
              (programmer_.autoIncrement().*setter)(text.toStdString());
            });
  }
  for (int i = 0; i < 3; ++i) {
    connect(formats_[i], &QRadioButton::clicked, this, [this, i] {
      programmer_.autoIncrement().setFormat(static_cast<qrk::SerialFormat>(i));
    });
  }
}

void AutoIncrementPage::showInputs() {
  const qrk::AutoIncrement& serial = programmer_.autoIncrement();
  const qrk::AutoIncrementInputs& in = serial.inputs();
  const std::array<const std::string*, 4> texts = {&in.address, &in.length, &in.nextValue,
                                                   &in.increment};
  const bool ticked = serial.ticked();
  for (int i = 0; i < 4; ++i) {
    setTextQuietly(inputs_[i], QString::fromStdString(*texts[i]));
    // While ticked the inputs are the stamped number's: read-only.
    inputs_[i]->setReadOnly(ticked);
  }
  formats_[static_cast<int>(in.format)]->setChecked(true);
  for (QRadioButton* b : formats_) b->setEnabled(!ticked && !programmer_.controls().locked);
  checkQuietly(enableBox_, ticked);
}

void AutoIncrementPage::showLock(const RunLock& lock) {
  applyRunLock(*this, lock);
  // While ticked, the serial-number format is the stamped number's.
  if (programmer_.autoIncrement().ticked()) {
    for (QRadioButton* b : formats_) b->setEnabled(false);
  }
}

}  // namespace qrkgui

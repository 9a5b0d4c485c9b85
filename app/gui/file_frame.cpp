#include "file_frame.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QPushButton>

#include "ops/programmer.h"
#include "page_widgets.h"
#include "ui/window_model.h"
#include "window_host.h"

namespace qrkgui {

FileFrame::FileFrame(const PageContext& context, QWidget* parent)
    : QGroupBox(QStringLiteral("Open File / 打开文件"), parent),
      programmer_(context.programmer),
      model_(context.model),
      host_(context.host) {
  setObjectName(QStringLiteral("fraOpenFile"));
  label(this, QStringLiteral("Buffer Start Address(HEX):"))->setGeometry(10, 22, 190, 22);
  startAddress_ = named(new QLineEdit(QStringLiteral("0"), this), QStringLiteral("Text4"));
  startAddress_->setGeometry(236, 22, 70, 22);
  openButton_ =
      named(new QPushButton(QStringLiteral("Open File"), this), QStringLiteral("comLoadFile"));
  openButton_->setGeometry(316, 20, 110, 26);
  label(this, QStringLiteral("File Check Sum/文件校验和(HEX):"))->setGeometry(10, 48, 220, 22);
  checksum_ = named(new QLineEdit(this), QStringLiteral("txtFileCheckSum"));
  checksum_->setReadOnly(true);
  checksum_->setGeometry(236, 48, 70, 22);
  clearBufferBox_ =
      named(new QCheckBox(QStringLiteral("Clear Buffer"), this), QStringLiteral("Check6"));
  clearBufferBox_->setGeometry(316, 48, 110, 22);
  label(this, QStringLiteral("Unused Bytes(in file range):"))->setGeometry(10, 74, 190, 22);
  fillByteChoice_ =
      radioPair(this, QStringLiteral("optFillbyte"), QStringLiteral("FF"), QStringLiteral("00"));
  fillByteChoice_[0]->setGeometry(236, 74, 50, 22);
  fillByteChoice_[1]->setGeometry(290, 74, 50, 22);

  connect(openButton_, &QPushButton::clicked, this, &FileFrame::chooseFile);
  connect(clearBufferBox_, &QCheckBox::clicked, this,
          [this](bool ticked) { model_.clearBufferClicked(ticked); });
  connect(startAddress_, &QLineEdit::textChanged, this, [this](const QString& text) {
    programmer_.loadChoices().startAddressText = text.toStdString();
  });
  for (int i = 0; i < 2; ++i) {
    connect(fillByteChoice_[i], &QRadioButton::clicked, this,
            [this, i] { model_.fillByteChosen(i == 0 ? 0xFF : 0x00); });
  }
}

void FileFrame::showSaved() {
  const qrk::LoadChoices& choices = programmer_.loadChoices();
  checkQuietly(fillByteChoice_[choices.fillByte == 0xFF ? 0 : 1], true);
  checkQuietly(clearBufferBox_, choices.clearBuffer);
  startAddress_->setText(QString::fromStdString(choices.startAddressText));
}

void FileFrame::chooseFile() {
  const QString path = QFileDialog::getOpenFileName(
      this, QStringLiteral("Open File"), QString::fromStdString(model_.state().filePath),
      QStringLiteral("Hex files (*.hex);;Bin files (*.bin);;All Files (*)"));
  if (path.isEmpty()) return;
  openFile(path);
}

void FileFrame::openFile(const QString& path) {
  programmer_.loadChoices().startAddressText = startAddress_->text().toStdString();
  host_.setBusy(true);
  const qrk::LoadResult result = model_.fileChosen(path.toStdString());
  host_.setBusy(false);
  if (result.status == qrk::LoadStatus::StartRefused || result.status == qrk::LoadStatus::NoFile) {
    return;
  }
  if (result.loaded()) checksum_->setText(QString::fromStdString(result.checksumText));
  emit fileOpened(path);
}

}  // namespace qrkgui

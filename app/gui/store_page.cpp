#include "store_page.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QPushButton>

#include "image/bin_store.h"
#include "image/hex_view.h"
#include "ops/programmer.h"
#include "page_widgets.h"
#include "window_host.h"

namespace qrkgui {

StorePage::StorePage(const PageContext& context)
    : programmer_(context.programmer), view_(context.view), host_(context.host) {
  setObjectName(QStringLiteral("fraSave_file"));
  label(this, QStringLiteral("Start Address/起始地址"))->setGeometry(10, 16, 160, 22);
  startAddress_ =
      named(new QLineEdit(QStringLiteral("0"), this), QStringLiteral("txt_Start_Address"));
  startAddress_->setGeometry(176, 16, 90, 22);
  label(this, QStringLiteral("length/长度(HEX)"))->setGeometry(10, 48, 160, 22);
  length_ = named(new QLineEdit(this), QStringLiteral("txt_length"));
  length_->setGeometry(176, 48, 90, 22);
  storeButton_ = named(new QPushButton(QStringLiteral("Store File/存文件"), this),
                       QStringLiteral("comStoreFile"));
  storeButton_->setGeometry(176, 84, 130, 28);

  connect(startAddress_, &QLineEdit::textChanged, this, &StorePage::updateStoreButton);
  connect(length_, &QLineEdit::textChanged, this, &StorePage::updateStoreButton);
  connect(storeButton_, &QPushButton::clicked, this, &StorePage::store);
}

void StorePage::showSaved() {
  // Nothing to store before a file was opened.
  storeButton_->setEnabled(false);
}

void StorePage::showViewRange() {
  length_->setText(qs(view_.storeLengthText()));
  updateStoreButton();
}

void StorePage::updateStoreButton() {
  storeButton_->setEnabled(
      qrk::storeButtonEnabled(startAddress_->text().toStdString(), length_->text().toStdString(),
                              programmer_.image().holdsDemoImage, storeButton_->isEnabled()));
}

void StorePage::store() {
  const QString start =
      QString::fromStdString(programmer_.settings().value("Settings", "FilePath", ""));
  qrk::storeBinFile(
      programmer_.image(), startAddress_->text().toStdString(), length_->text().toStdString(),
      host_, [this, start]() -> std::optional<std::filesystem::path> {
        QFileDialog dialog(this, QStringLiteral("Save .bin file"), QFileInfo(start).absolutePath(),
                           QStringLiteral("(*.bin) (*.bin);;All Files (*.*) (*)"));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
          return std::nullopt;
        }
        return std::filesystem::path(dialog.selectedFiles().first().toStdString());
      });
}

}  // namespace qrkgui

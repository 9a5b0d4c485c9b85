// Start-up, the settings timer and shut-down of the window.
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>

#include "hex_panel.h"
#include "main_window.h"
#include "row_list.h"

namespace qrkgui {

void MainWindow::start() {
  p_.link().setUseCrc(false);
  loadSettings();
  TabStrip1->setCurrentIndex(0);
  p_.link().setTimingDefaults();
  showFunctionLists();
  showAutoIncrementInputs();
  comStoreFile->setEnabled(false);
  view_.reset();
  Frame7->refresh();
  txtFuction->setSelectedRow(0);
  reloadCheckArmed_ = true;
  showRunControls(false);
  onLowerTabClicked(TabStrip2->currentIndex());
  layoutWindow();
}

void MainWindow::loadSettings() {
  p_.loadSettings();
  showModel();
  const qrk::LoadChoices& choices = p_.loadChoices();
  optFillbyte[choices.fillByte == 0xFF ? 0 : 1]->setChecked(true);
  (p_.production().beepOnSuccess ? optBeepYes : optBeepNo)->setChecked(true);
  comDalay_ReDownLoad->setCurrentIndex(p_.production().delayIndex);
  txtWrite_OK_Count->setText(QString::fromStdString(p_.successCounter().text()));
}

void MainWindow::startSettingsTimer(bool clearsReloadCheck) {
  if (clearsReloadCheck) reloadCheckArmed_ = false;
  settingsTimer_->start(100);
}

void MainWindow::onSettingsTick() {
  saveSettings();
  reloadCheckArmed_ = true;
}

void MainWindow::saveSettings() {
  p_.production().save(p_.settings());
  p_.settings().setValue("Settings", "fillbyte", optFillbyte[0]->isChecked() ? "FF" : "00");
  p_.settings().setValue("Settings", "Write_OK_Count", txtWrite_OK_Count->text().toStdString());
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (closeAccepted_) {
    event->accept();
    return;
  }
  closing_ = true;
  if (running_) production_.stopClicked();
  // The last save follows any reply time-out still pending.
  reloadCheckArmed_ = false;
  settingsTimer_->start(p_.link().replyWaitMs() + 200);
  p_.loop().waitUntil([this] { return !settingsTimer_->isActive(); });
  if (running_) {
    // The run is still unwinding below this handler; the window closes when it returns.
    event->ignore();
    return;
  }
  p_.link().closePort();
  closeAccepted_ = true;
  event->accept();
}

void MainWindow::finishPendingClose() {
  if (closing_ && !closeAccepted_) QTimer::singleShot(0, this, &QWidget::close);
}

}  // namespace qrkgui

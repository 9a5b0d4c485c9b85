// Start-up, what the settings tick shows again, and shut-down.
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>

#include "hex_panel.h"
#include "main_window.h"
#include "row_list.h"
#include "serial_devices.h"

namespace qrkgui {

namespace {

void selectQuietly(QComboBox* box, int index) {
  const QSignalBlocker blocker(box);
  box->setCurrentIndex(index);
}

void checkQuietly(QAbstractButton* button, bool checked) {
  const QSignalBlocker blocker(button);
  button->setChecked(checked);
}

}  // namespace

void MainWindow::start() {
  p_.link().setUseCrc(false);
  model_.state().ports.setDevices(machineSerialDevices());
  model_.start();
  showSettings();
  TabStrip1->setCurrentIndex(0);
  p_.link().setTimingDefaults();
  comStoreFile->setEnabled(false);
  p_.image().reset(0x00);
  view_.reset();
  Frame7->refresh();
  txtFuction->setSelectedRow(0);
  showRunControls(false);
  onLowerTabClicked(TabStrip2->currentIndex());
  layoutWindow();
  // The counter grows and the serial number advances during a Re-Run loop;
  // each countdown step shows them.
  host_.setOnPaneReplaced([this] {
    if (!running_) return;
    txtWrite_OK_Count->setText(QString::fromStdString(p_.successCounter().text()));
  });
}

void MainWindow::showSettings() {
  showModel();
  showPortEntries();
  selectQuietly(Combo1, model_.state().baudIndex);
  const qrk::LoadChoices& choices = p_.loadChoices();
  checkQuietly(optFillbyte[choices.fillByte == 0xFF ? 0 : 1], true);
  checkQuietly(Check6, choices.clearBuffer);
  checkQuietly(cekReloadFile, choices.reloadBeforeRun);
  checkQuietly(p_.production().beepOnSuccess ? optBeepYes : optBeepNo, true);
  checkQuietly(skipBlankBox, p_.production().skipBlank);
  selectQuietly(comDalay_ReDownLoad, p_.production().delayIndex);
  txtWrite_OK_Count->setText(QString::fromStdString(p_.successCounter().text()));
  Text4->setText(QString::fromStdString(choices.startAddressText));

  const qrk::IspDemoChoices& demo = model_.state().ispDemo;
  {
    const QSignalBlocker a(comb_oscillate_frequency), b(comb_ISP_buad);
    comb_oscillate_frequency->setCurrentText(QString::fromStdString(demo.crystalText));
    comb_ISP_buad->setCurrentText(QString::fromStdString(demo.baudText));
  }
  checkQuietly(opt_ISP_DEMO_parity[demo.parityYes ? 0 : 1], true);
  checkQuietly(optISP_DEMO_erase_data[demo.eraseDataYes ? 0 : 1], true);
  checkQuietly(opt_ISP_DEMO_WDT[demo.noWatchdog ? 0 : 1], true);
  checkQuietly(opt_485_pin[demo.no485Pin ? 0 : 1], true);
  checkQuietly(opt_485_logic[demo.rs485Logic == 1 ? 1 : 0], true);
  selectQuietly(comb_ISP_DEMO_WDT[0], demo.watchdogPort);
  selectQuietly(comb_ISP_DEMO_WDT[1], demo.watchdogBit);
  selectQuietly(comb_485_pin[0], demo.rs485Port);
  selectQuietly(comb_485_pin[1], demo.rs485Bit);
  showBaudError();

  showFunctionLists();
  showAutoIncrementInputs();
}

void MainWindow::showPortEntries() {
  {
    const QSignalBlocker blocker(combCommPort);
    combCommPort->clear();
    const qrk::PortList& ports = model_.state().ports;
    for (int i = 0; i < qrk::PortList::kComEntries; ++i) {
      combCommPort->addItem(QString::fromStdString(ports.entryText(i)));
    }
  }
  showPortChoice();
}

void MainWindow::showPortChoice() {
  const QSignalBlocker blocker(combCommPort);
  const qrk::PortList& ports = model_.state().ports;
  if (ports.selectedIndex() >= 0) {
    combCommPort->setCurrentIndex(ports.selectedIndex());
  } else {
    combCommPort->setCurrentIndex(-1);
    combCommPort->setEditText(QString::fromStdString(ports.currentText()));
  }
}

void MainWindow::showAfterSettingsTick() {
  {
    const QSignalBlocker blocker(combMcuModel);
    combMcuModel->setCurrentText(QString::fromStdString(model_.state().modelText));
  }
  selectQuietly(Combo2, model_.ispSpaceIndex());
  showPortChoice();
  framStep->setTitle(QString::fromStdString(model_.programFrameCaption()));
  showMemoryMap();
  // The reload check may have cleared an image laid out for another memory map.
  if (!p_.image().fileLoaded && !running_) {
    Frame7->setFilePath({});
    view_.fitToRange();
    Frame7->refresh();
  }
}

void MainWindow::ispDemoChanged() {
  qrk::IspDemoChoices c;
  c.crystalText = comb_oscillate_frequency->currentText().toStdString();
  c.baudText = comb_ISP_buad->currentText().toStdString();
  c.parityYes = opt_ISP_DEMO_parity[0]->isChecked();
  c.eraseDataYes = optISP_DEMO_erase_data[0]->isChecked();
  c.noWatchdog = opt_ISP_DEMO_WDT[0]->isChecked();
  c.watchdogPort = comb_ISP_DEMO_WDT[0]->currentIndex();
  c.watchdogBit = comb_ISP_DEMO_WDT[1]->currentIndex();
  c.no485Pin = opt_485_pin[0]->isChecked();
  c.rs485Port = comb_485_pin[0]->currentIndex();
  c.rs485Bit = comb_485_pin[1]->currentIndex();
  c.rs485Logic = opt_485_logic[1]->isChecked() ? 1 : 0;
  model_.ispDemoChanged(c);
  showBaudError();
  // The pin lists follow their "none" choice.
  showRunControls(running_);
}

void MainWindow::showBaudError() {
  qrk::calcIspBaud(comb_oscillate_frequency->currentText().toStdString(),
                   comb_ISP_buad->currentText().toStdString(), baudLabel_);
  Lab_BAUD_ERR->setText(QString::fromStdString(baudLabel_.caption));
  QPalette colours = palette();
  if (baudLabel_.colour == qrk::BaudColour::Red)
    colours.setColor(QPalette::Window, QColor(255, 0, 0));
  if (baudLabel_.colour == qrk::BaudColour::Yellow) {
    colours.setColor(QPalette::Window, QColor(255, 255, 0));
  }
  colours.setColor(QPalette::WindowText, colours.color(QPalette::ButtonText));
  Lab_BAUD_ERR->setAutoFillBackground(true);
  Lab_BAUD_ERR->setPalette(colours);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (closeAccepted_) {
    event->accept();
    return;
  }
  closing_ = true;
  // Stops a run, lets the last save follow any pending reply time-out and
  // closes the port.
  model_.shutDown();
  if (running_) {
    // The run is still unwinding below this handler; the window closes once it returned.
    event->ignore();
    return;
  }
  closeAccepted_ = true;
  event->accept();
}

void MainWindow::finishPendingClose() {
  if (!closing_ || closeAccepted_) return;
  // After a data frame failed on the way out, the last message stays in view a moment.
  const int delayMs = p_.flags().closeWindowDue ? 500 : 0;
  QTimer::singleShot(delayMs, this, [this] {
    closeAccepted_ = true;
    close();
  });
}

}  // namespace qrkgui

#include "port_page.h"

#include "page_widgets.h"
#include "serial_devices.h"
#include "ui/window_model.h"

namespace qrkgui {

PortPage::PortPage(const PageContext& context) : model_(context.model), runs_(context.runs) {
  setObjectName(QStringLiteral("Frame1_1"));
  label(this, QStringLiteral("COMM Port / 串行口:"))->setGeometry(10, 14, 140, 22);
  portList_ = named(new QComboBox(this), QStringLiteral("combCommPort"));
  // A device the list does not show (a pseudo-terminal) is typed in.
  portList_->setEditable(true);
  portList_->setInsertPolicy(QComboBox::NoInsert);
  portList_->setGeometry(150, 12, 240, 24);
  label(this, QStringLiteral("Baud / 波特率:"))->setGeometry(10, 50, 140, 22);
  baudList_ = list(this, QStringLiteral("Combo1"), qsList(qrk::WindowState::kBaudEntries));
  baudList_->setGeometry(150, 48, 120, 24);

  connect(portList_, &QComboBox::activated, this, [this](int index) { model_.portChosen(index); });
  connect(portList_->lineEdit(), &QLineEdit::editingFinished, this, [this] {
    if (portList_->currentIndex() >= 0 &&
        portList_->currentText() == portList_->itemText(portList_->currentIndex())) {
      return;  // the entry shown is the one chosen
    }
    model_.portTextChanged(portList_->currentText().toStdString());
  });
  connect(baudList_, &QComboBox::activated, this, [this](int index) { model_.baudChosen(index); });
}

void PortPage::selectPort(const QString& portName) {
  model_.portTextChanged(portName.toStdString());
  showPortChoice();
}

void PortPage::showSaved() {
  showPortEntries();
  selectQuietly(baudList_, model_.state().baudIndex);
}

void PortPage::opened() {
  if (runs_.running()) return;
  model_.state().ports.setDevices(machineSerialDevices());
  showPortEntries();
}

void PortPage::showPortEntries() {
  {
    const QSignalBlocker blocker(portList_);
    portList_->clear();
    const qrk::PortList& ports = model_.state().ports;
    for (int i = 0; i < qrk::PortList::kComEntries; ++i) {
      portList_->addItem(QString::fromStdString(ports.entryText(i)));
    }
  }
  showPortChoice();
}

void PortPage::showPortChoice() {
  const QSignalBlocker blocker(portList_);
  const qrk::PortList& ports = model_.state().ports;
  if (ports.selectedIndex() >= 0) {
    portList_->setCurrentIndex(ports.selectedIndex());
  } else {
    portList_->setCurrentIndex(-1);
    portList_->setEditText(QString::fromStdString(ports.currentText()));
  }
}

}  // namespace qrkgui

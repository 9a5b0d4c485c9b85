// The window's controls bound to the Programmer: what each click does and how
// the core's state is shown again afterwards.
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>

#include "device/option_panel.h"
#include "hex_panel.h"
#include "image/bin_store.h"
#include "image/memory_map.h"
#include "main_window.h"
#include "offline/board_download.h"
#include "offline/board_messages.h"
#include "ops/function_list.h"
#include "ops/functions.h"
#include "ops/run_controls.h"
#include "row_list.h"
#include "serial_devices.h"

namespace qrkgui {

namespace {

// The name of the control array a widget belongs to: "Option3_1" is a button
// of "Option3", "comb_485_pin_0" a list of "comb_485_pin".
QString arrayName(const QString& objectName) {
  const qsizetype underscore = objectName.lastIndexOf('_');
  if (underscore <= 0 || underscore + 1 >= objectName.size()) return objectName;
  for (qsizetype i = underscore + 1; i < objectName.size(); ++i) {
    if (!objectName.at(i).isDigit()) return objectName;
  }
  return objectName.left(underscore);
}

// Sets a box's text without firing its own edit handlers.
void setTextQuietly(QLineEdit* edit, const QString& text) {
  const QSignalBlocker blocker(edit);
  edit->setText(text);
}

}  // namespace

void MainWindow::connectControls() {
  connect(combMcuModel, &QComboBox::activated, this, [this](int index) {
    model_.modelChosen(index);
    showModel();
  });
  // A typed name: the models that are not listed are chosen this way.
  connect(combMcuModel->lineEdit(), &QLineEdit::editingFinished, this,
          [this] { onModelChosen(combMcuModel->currentText()); });
  connect(Combo2, &QComboBox::activated, this, &MainWindow::onIspSpaceChosen);
  for (int row = 0; row < qrk::kOptionRowCount; ++row) {
    for (int button = 0; button < 2; ++button) {
      connect(Option[row][button], &QRadioButton::clicked, this,
              [this, row, button] { onOptionClicked(row, button); });
    }
  }
  connect(combCommPort, &QComboBox::activated, this,
          [this](int index) { model_.portChosen(index); });
  connect(combCommPort->lineEdit(), &QLineEdit::editingFinished, this, [this] {
    if (combCommPort->currentIndex() >= 0 &&
        combCommPort->currentText() == combCommPort->itemText(combCommPort->currentIndex())) {
      return;  // the entry shown is the one chosen
    }
    model_.portTextChanged(combCommPort->currentText().toStdString());
  });
  connect(Combo1, &QComboBox::activated, this, [this](int index) { model_.baudChosen(index); });
  // An adapter plugged in after start-up appears when the port page is opened.
  connect(TabStrip1, &QTabWidget::currentChanged, this, [this](int index) {
    if (TabStrip1->widget(index) != combCommPort->parentWidget() || running_) return;
    model_.state().ports.setDevices(machineSerialDevices());
    showPortEntries();
  });

  for (int i = 0; i < 3; ++i) {
    connect(comAuto[i], &QPushButton::clicked, this, [this, i] { onListEdit(i); });
  }
  for (RowList* rows : {txtAutoPalette, txtAutoSlots}) {
    connect(rows, &RowList::pressed, this, &MainWindow::onListPressed);
    connect(rows, &RowList::doubleClicked, this, &MainWindow::onListDoubleClicked);
  }
  connect(txtFuction, &RowList::pressed, this, &MainWindow::onFunctionPressed);
  connect(txtFuction, &RowList::doubleClicked, this, &MainWindow::onFunctionDoubleClicked);

  connect(cekReloadFile, &QCheckBox::clicked, this,
          [this](bool ticked) { model_.reloadBoxClicked(ticked); });
  connect(skipBlankBox, &QCheckBox::clicked, this,
          [this](bool ticked) { model_.skipBlankClicked(ticked); });
  connect(comDalay_ReDownLoad, &QComboBox::activated, this,
          [this](int index) { model_.delayChosen(index); });
  for (QRadioButton* beep : {optBeepNo, optBeepYes}) {
    connect(beep, &QRadioButton::clicked, this,
            [this] { model_.beepChosen(optBeepYes->isChecked()); });
  }

  connect(comLoadFile, &QPushButton::clicked, this, &MainWindow::onLoadFileClicked);
  connect(Check6, &QCheckBox::clicked, this,
          [this](bool ticked) { model_.clearBufferClicked(ticked); });
  connect(Text4, &QLineEdit::textChanged, this,
          [this](const QString& text) { p_.loadChoices().startAddressText = text.toStdString(); });
  for (int i = 0; i < 2; ++i) {
    connect(optFillbyte[i], &QRadioButton::clicked, this,
            [this, i] { model_.fillByteChosen(i == 0 ? 0xFF : 0x00); });
  }

  connect(comDownload, &QPushButton::clicked, this, &MainWindow::onRunClicked);
  connect(comReDownload, &QPushButton::clicked, this, &MainWindow::onReRunClicked);
  connect(comStop_Download, &QPushButton::clicked, this, &MainWindow::onStopClicked);
  connect(comClear_OK_Count, &QPushButton::clicked, this, &MainWindow::onClearCountClicked);
  connect(txtWrite_OK_Count, &QLineEdit::textEdited, this,
          [this](const QString& text) { model_.counterTextChanged(text.toStdString()); });

  connect(cheAuto_Increase, &QCheckBox::clicked, this, &MainWindow::onAutoIncrementToggled);
  const std::array<void (qrk::AutoIncrement::*)(std::string), 4> setters = {
      &qrk::AutoIncrement::setAddressText, &qrk::AutoIncrement::setLengthText,
      &qrk::AutoIncrement::setNextValueText, &qrk::AutoIncrement::setIncrementText};
  for (int i = 0; i < 4; ++i) {
    connect(texAuto_Increase[i], &QLineEdit::textEdited, this,
            [this, setter = setters[i]](const QString& text) {
              (p_.autoIncrement().*setter)(text.toStdString());
            });
  }
  for (int i = 0; i < 3; ++i) {
    connect(optAuto_Increase[i], &QRadioButton::clicked, this,
            [this, i] { p_.autoIncrement().setFormat(static_cast<qrk::SerialFormat>(i)); });
  }

  connect(txt_Start_Address, &QLineEdit::textChanged, this, &MainWindow::updateStoreButton);
  connect(txt_length, &QLineEdit::textChanged, this, &MainWindow::updateStoreButton);
  connect(comStoreFile, &QPushButton::clicked, this, &MainWindow::onStoreFileClicked);
  connect(comTJXZ, &QPushButton::clicked, this, &MainWindow::onBoardDownloadClicked);
  connect(comTJSL_disp, &QPushButton::clicked, this, [this] {
    host_.messageBox(qrk::ledLegendText(), std::string(qrk::kLedLegendTitle),
                     qrk::MessageButtons::Ok);
  });

  connect(TabStrip2->tabBar(), &QTabBar::tabBarClicked, this, &MainWindow::onLowerTabClicked);
  connect(TabStrip2, &QTabWidget::currentChanged, this, &MainWindow::onLowerTabClicked);

  // The ISP DEMO page saves on every change, as every other control does.
  for (QComboBox* box : {comb_oscillate_frequency, comb_ISP_buad, comb_ISP_DEMO_WDT[0],
                         comb_ISP_DEMO_WDT[1], comb_485_pin[0], comb_485_pin[1]}) {
    connect(box, &QComboBox::currentTextChanged, this, &MainWindow::ispDemoChanged);
  }
  for (const auto& pair : {opt_ISP_DEMO_parity, optISP_DEMO_erase_data, opt_ISP_DEMO_WDT,
                           opt_485_pin, opt_485_logic}) {
    for (QRadioButton* b : pair)
      connect(b, &QRadioButton::clicked, this, &MainWindow::ispDemoChanged);
  }
}

// ----------------------------------------------------------------- showing --

void MainWindow::showModel() {
  const QSignalBlocker blocker(combMcuModel);
  combMcuModel->setCurrentText(QString::fromStdString(p_.model().name));
  showOptionPanel();
  showMemoryMap();
  showLowerTabCaptions();
}

void MainWindow::showOptionPanel() {
  const qrk::OptionPanel& panel = p_.options();
  for (int row = 0; row < qrk::kOptionRowCount; ++row) {
    const qrk::OptionRow& r = panel.rows[static_cast<std::size_t>(row)];
    Picture2[row]->setVisible(r.visible);
    LabOptionE[row]->setText(QString::fromStdString(r.labOptionE));
    LabOptionC[row]->setText(QString::fromStdString(r.labOptionC));
    LabOptionC[row]->setVisible(r.labOptionCVisible);
    for (int b = 0; b < 2; ++b) {
      Option[row][b]->setText(
          QString::fromStdString(r.buttonCaptions[static_cast<std::size_t>(b)]));
      Option[row][b]->setChecked(r.selected == b);
    }
  }
  {
    const QSignalBlocker blocker(Combo2);
    Combo2->clear();
    for (const std::string& e : panel.ispSpaceEntries) Combo2->addItem(QString::fromStdString(e));
    Combo2->setCurrentIndex(Combo2->findText(QString::fromStdString(panel.ispSpaceText)));
  }
  for (int i = 0; i < qrk::kReadOptionLabelCount; ++i) {
    read_Option[i]->setText(
        QString::fromStdString(panel.readOptionLabels[static_cast<std::size_t>(i)]));
  }
  read_Option[qrk::kReadOptionOscillatorLabel]->setVisible(panel.readOptionOscillatorVisible);
  layoutOptionPanel();
}

void MainWindow::showMemoryMap() {
  const qrk::MemoryMapTexts boxes = model_.memoryMap();
  const std::array<const std::string*, 4> texts = {&boxes.apFirst, &boxes.apEnd, &boxes.ispStart,
                                                   &boxes.ispEnd};
  for (int i = 0; i < 4; ++i) txtISP_reange[i]->setText(QString::fromStdString(*texts[i]));
}

void MainWindow::showFunctionLists() {
  const qrk::FunctionList& list = p_.functionList();
  for (int row = 0; row < qrk::FunctionList::kRowCount; ++row) {
    RowList* rows = row < qrk::FunctionList::kFirstSlot ? txtAutoPalette : txtAutoSlots;
    const int i = row < qrk::FunctionList::kFirstSlot ? row : row - qrk::FunctionList::kFirstSlot;
    rows->setRowText(i, QString::fromStdString(list.rowText(row)));
  }
  const int selected = list.selectedRow();
  txtAutoPalette->setSelectedRow(selected < qrk::FunctionList::kFirstSlot ? selected : -1);
  txtAutoSlots->setSelectedRow(
      selected >= qrk::FunctionList::kFirstSlot ? selected - qrk::FunctionList::kFirstSlot : -1);
}

void MainWindow::showAutoIncrementInputs() {
  const qrk::AutoIncrementInputs& in = p_.autoIncrement().inputs();
  const std::array<const std::string*, 4> texts = {&in.address, &in.length, &in.nextValue,
                                                   &in.increment};
  const bool ticked = p_.autoIncrement().ticked();
  for (int i = 0; i < 4; ++i) {
    setTextQuietly(texAuto_Increase[i], QString::fromStdString(*texts[i]));
    // While ticked the inputs are the stamped number's: read-only.
    texAuto_Increase[i]->setReadOnly(ticked);
  }
  optAuto_Increase[static_cast<int>(in.format)]->setChecked(true);
  for (QRadioButton* b : optAuto_Increase) b->setEnabled(!ticked && !p_.controls().locked);
  const QSignalBlocker blocker(cheAuto_Increase);
  cheAuto_Increase->setChecked(ticked);
}

void MainWindow::showRunControls(bool running) {
  qrk::RunControls controls = p_.controls();
  if (running) {
    // What the production loop takes as the run starts and holds until it returns.
    controls.locked = true;
    controls.stopEnabled = true;
  }
  const qrk::UnlockConditions conditions{p_.model().apUpToIsp, opt_ISP_DEMO_WDT[0]->isChecked(),
                                         opt_485_pin[0]->isChecked()};
  const auto enabled = [&](std::string_view name) {
    return qrk::controlEnabled(name, controls, conditions);
  };
  for (QWidget* w : findChildren<QWidget*>()) {
    const QString name = arrayName(w->objectName());
    if (qrk::isLockedDuringRun(name.toStdString())) w->setEnabled(enabled(name.toStdString()));
  }
  comStop_Download->setEnabled(enabled("comStop_Download"));
  // The ISP DEMO page is never shown: its run buttons cannot be reached.
  for (QPushButton* b : {com_write_ISP_demo, com_re_write_ISP_demo, com_ISP_demo_stop}) {
    b->setEnabled(false);
  }
  // While ticked, the serial-number format is the stamped number's.
  if (p_.autoIncrement().ticked()) {
    for (QRadioButton* b : optAuto_Increase) b->setEnabled(false);
  }
}

void MainWindow::showLowerTabCaptions() {
  // The offline board serves kind-2 models only.
  TabStrip2->setTabText(kBoardTabIndex, p_.model().mapKind == 2 ? QStringLiteral("脱机烧录")
                                                                : QString::fromUtf8(kNoTabCaption));
  TabStrip2->setTabEnabled(kBoardTabIndex, p_.model().mapKind == 2);
  onLowerTabClicked(TabStrip2->currentIndex());
}

void MainWindow::onLowerTabClicked(int index) {
  // The ISP DEMO tab is never available: every click takes its caption away
  // and the selection moves on to the next available tab.
  TabStrip2->setTabText(kIspDemoTabIndex, QString::fromUtf8(kNoTabCaption));
  TabStrip2->setTabEnabled(kIspDemoTabIndex, false);
  const int count = TabStrip2->count();
  for (int step = 0; step < count; ++step) {
    const int candidate = (index + step) % count;
    if (TabStrip2->tabText(candidate) != QString::fromUtf8(kNoTabCaption)) {
      if (TabStrip2->currentIndex() != candidate) {
        const QSignalBlocker blocker(TabStrip2);
        TabStrip2->setCurrentIndex(candidate);
      }
      return;
    }
  }
}

// ---------------------------------------------------------------- handlers --

void MainWindow::onModelChosen(const QString& text) {
  const std::string typed = text.trimmed().toStdString();
  if (typed == model_.state().modelText) return;
  model_.modelTextChanged(typed);
  showModel();
}

void MainWindow::onIspSpaceChosen(int index) {
  model_.ispSpaceChosen(index);
  showMemoryMap();
}

void MainWindow::onOptionClicked(int row, int button) {
  p_.options().rows[static_cast<std::size_t>(row)].selected = button;
}

void MainWindow::onLoadFileClicked() {
  const QString path = QFileDialog::getOpenFileName(
      this, QStringLiteral("Open File"), QString::fromStdString(model_.state().filePath),
      QStringLiteral("Hex files (*.hex);;Bin files (*.bin);;All Files (*)"));
  if (path.isEmpty()) return;
  openFile(path);
}

void MainWindow::openFile(const QString& path) {
  p_.loadChoices().startAddressText = Text4->text().toStdString();
  host_.setBusy(true);
  const qrk::LoadResult result = model_.fileChosen(path.toStdString());
  host_.setBusy(false);
  if (result.status == qrk::LoadStatus::StartRefused || result.status == qrk::LoadStatus::NoFile) {
    return;
  }
  Frame7->setFilePath(path);
  if (result.loaded()) txtFileCheckSum->setText(QString::fromStdString(result.checksumText));
  view_.setHighlightField(std::nullopt);
  view_.fitToRange();
  Frame7->refresh();
  showAutoIncrementInputs();
}

void MainWindow::selectPort(const QString& portName) {
  model_.portTextChanged(portName.toStdString());
  showPortChoice();
}

std::string MainWindow::selectedFunction() const {
  const int row = txtFuction->selectedRow();
  if (row < 0) return {};
  return txtFuction->row(row)->text().trimmed().toStdString();
}

void MainWindow::onRunClicked() {
  if (model_.runActive() || running_) return;
  running_ = true;
  showRunControls(true);
  model_.run(selectedFunction());
  afterRun();
  running_ = false;
  showRunControls(false);
  finishPendingClose();
}

void MainWindow::onReRunClicked() {
  if (model_.runActive() || running_) return;
  running_ = true;
  showRunControls(true);
  model_.reRun(selectedFunction());
  afterRun();
  running_ = false;
  showRunControls(false);
  finishPendingClose();
}

void MainWindow::onBoardDownloadClicked() {
  if (model_.runActive() || running_) return;
  p_.setPortName(model_.state().ports.portToOpen());
  running_ = true;
  showRunControls(true);
  qrk::BoardDownload download(p_, production_);
  download.run(txt_download_max->text().toStdString());
  model_.runEnded();
  running_ = false;
  showRunControls(false);
  finishPendingClose();
}

void MainWindow::afterRun() {
  setTextQuietly(txtWrite_OK_Count, QString::fromStdString(p_.successCounter().text()));
  // A read-back or a new serial number changed the image.
  view_.scrollView();
  Frame7->refresh();
  showAutoIncrementInputs();
  for (int i = 0; i < qrk::kReadOptionLabelCount; ++i) {
    read_Option[i]->setText(
        QString::fromStdString(p_.options().readOptionLabels[static_cast<std::size_t>(i)]));
  }
}

void MainWindow::onStopClicked() {
  model_.stopClicked();
  showRunControls(running_);
}

void MainWindow::onFunctionPressed(int row) {
  const bool hasText = !txtFuction->row(row)->text().trimmed().isEmpty();
  txtFuction->setSelectedRow(hasText ? row : -1);
}

void MainWindow::onFunctionDoubleClicked(int row) {
  onFunctionPressed(row);
  if (comDownload->isEnabled()) onRunClicked();
}

void MainWindow::onListPressed(int row) {
  p_.functionList().press(row);
  showFunctionLists();
}

void MainWindow::onListDoubleClicked(int row) {
  p_.functionList().press(row);
  p_.functionList().doubleClick(row);
  showFunctionLists();
}

void MainWindow::onListEdit(int action) {
  qrk::FunctionList& list = p_.functionList();
  switch (action) {
    case 0:
      list.add();
      break;
    case 1:
      list.remove();
      break;
    default:
      list.removeAll();
      break;
  }
  showFunctionLists();
}

void MainWindow::onClearCountClicked() {
  p_.successCounter().clear(host_);
  setTextQuietly(txtWrite_OK_Count, QString::fromStdString(p_.successCounter().text()));
}

void MainWindow::onAutoIncrementToggled(bool ticked) {
  p_.autoIncrement().onToggle(ticked);
  Frame7->refresh();
  showAutoIncrementInputs();
}

void MainWindow::updateStoreButton() {
  comStoreFile->setEnabled(qrk::storeButtonEnabled(
      txt_Start_Address->text().toStdString(), txt_length->text().toStdString(),
      p_.image().holdsDemoImage, comStoreFile->isEnabled()));
}

void MainWindow::onStoreFileClicked() {
  const QString start = QString::fromStdString(p_.settings().value("Settings", "FilePath", ""));
  qrk::storeBinFile(
      p_.image(), txt_Start_Address->text().toStdString(), txt_length->text().toStdString(), host_,
      [this, start]() -> std::optional<std::filesystem::path> {
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

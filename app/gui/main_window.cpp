#include "main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QScreen>
#include <QTimer>

#include "auto_increment_page.h"
#include "board_page.h"
#include "file_frame.h"
#include "function_list_page.h"
#include "hex_panel.h"
#include "isp_demo_page.h"
#include "option_panel_page.h"
#include "option_report.h"
#include "options_page.h"
#include "page_tabs.h"
#include "port_page.h"
#include "program_frame.h"
#include "serial_devices.h"
#include "store_page.h"

namespace qrkgui {

namespace {

constexpr const char* kTitle = "QRK MCU Programmer  Version: 1.75";

double screenDpi() {
  return QApplication::primaryScreen() ? QApplication::primaryScreen()->logicalDotsPerInchY()
                                       : 96.0;
}

}  // namespace

MainWindow::MainWindow(qrk::Programmer& programmer, qrk::ProductionLoop& production,
                       WindowHost& host, QWidget* parent)
    : QWidget(parent),
      programmer_(programmer),
      host_(host),
      model_(programmer, production),
      view_(programmer.image(), host),
      twips_(screenDpi()),
      runs_(model_) {
  setObjectName(QStringLiteral("frmMain"));
  setWindowTitle(QString::fromUtf8(kTitle));
  host_.attachWindow(this);
  // The serial number is shown selected in the dump and scrolled into view.
  programmer_.autoIncrement().attachView(&view_);
  const PageContext context{programmer_, model_, view_, host_, runs_, twips_};

  upperTabs_ = new PageTabs(QStringLiteral("TabStrip1"), this);
  optionPanel_ = add(new OptionPanelPage(context));
  upperTabs_->addPage(optionPanel_, "MCU/单片机", "MCU_type", "选择MCU, 设置编程参数");
  portPage_ = add(new PortPage(context));
  upperTabs_->addPage(portPage_, "COMM/串行口", "COMM_port_baud", "选择串行口和波特率");
  upperTabs_->addPage(add(new FunctionListPage(context)), "Set Auto/设置Auto", "Set_Auto",
                      "设置自动编程");
  upperTabs_->addPage(add(new OptionsPage(context)), "Option/选项", "Write_Option");

  fileFrame_ = add(new FileFrame(context, this));
  programFrame_ = add(new ProgramFrame(context, this));
  hexPanel_ = add(new HexPanel(context, this));
  optionReport_ = add(new OptionReport(context, this));

  lowerFrame_ = new QWidget(this);
  lowerFrame_->setObjectName(QStringLiteral("Frame6"));
  lowerTabs_ = new PageTabs(QStringLiteral("TabStrip2"), lowerFrame_);
  lowerTabs_->addPage(add(new IspDemoPage(context)), "烧录 ISP DEMO", "Down_ISP_demo");
  auto* autoIncrement = add(new AutoIncrementPage(context));
  lowerTabs_->addPage(autoIncrement, "自动增量", "auto_increase");
  lowerTabs_->addPage(add(new BoardPage(context)), "脱机烧录", "TJSL");
  auto* store = add(new StorePage(context));
  lowerTabs_->addPage(store, "存储文件", "save_file");
  add(upperTabs_);
  add(lowerTabs_);

  // What one page changed, every page that shows it shows again.
  connect(optionPanel_, &OptionPanelPage::modelChanged, this,
          [this] { showOnEveryPage([](WindowPage& p) { p.showModel(); }); });
  connect(fileFrame_, &FileFrame::fileOpened, this, [this](const QString& path) {
    showOnEveryPage([&path](WindowPage& p) { p.showFile(path); });
  });
  connect(autoIncrement, &AutoIncrementPage::imageChanged, this,
          [this] { showOnEveryPage([](WindowPage& p) { p.showImage(); }); });
  connect(programFrame_, &ProgramFrame::runReturned, this,
          [this] { showOnEveryPage([](WindowPage& p) { p.showRunResult(); }); });
  connect(hexPanel_, &HexPanel::refreshed, store, &StorePage::showViewRange);
  connect(&runs_, &RunGate::lockChanged, this, &MainWindow::showLock);
  connect(&runs_, &RunGate::returned, this, &MainWindow::finishPendingClose);
  model_.setViewRefresh([this] { showOnEveryPage([](WindowPage& p) { p.showSettled(); }); });

  setMinimumSize(twips_.px(kMinimumWidthTwips), twips_.px(kMinimumHeightTwips));
  resize(1024, 768);
}

MainWindow::~MainWindow() {
  model_.setViewRefresh({});
  // The pages hold references to the members below: they go first.
  qDeleteAll(findChildren<QWidget*>(Qt::FindDirectChildrenOnly));
  programmer_.autoIncrement().attachView(nullptr);
  host_.attachWindow(nullptr);
}

void MainWindow::start() {
  programmer_.link().setUseCrc(false);
  model_.state().ports.setDevices(machineSerialDevices());
  model_.start();
  showOnEveryPage([](WindowPage& p) { p.showModel(); });
  showOnEveryPage([](WindowPage& p) { p.showSaved(); });
  upperTabs_->setCurrentIndex(0);
  programmer_.link().setTimingDefaults();
  programmer_.image().reset(0x00);
  view_.reset();
  hexPanel_->refresh();
  showLock();
  layoutWindow();
}

void MainWindow::openFile(const QString& path) { fileFrame_->openFile(path); }

void MainWindow::selectPort(const QString& portName) { portPage_->selectPort(portName); }

void MainWindow::chooseModel(const QString& name) { optionPanel_->chooseModel(name); }

void MainWindow::showLock() {
  RunLock lock{programmer_.controls(), model_.unlockConditions()};
  if (runs_.running()) {
    // What the production loop takes as the run starts and holds until it returns.
    lock.controls.locked = true;
    lock.controls.stopEnabled = true;
  }
  showOnEveryPage([&lock](WindowPage& p) { p.showLock(lock); });
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
  if (runs_.running()) {
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
  const int delayMs = programmer_.flags().failedWhileClosing ? 500 : 0;
  QTimer::singleShot(delayMs, this, [this] {
    closeAccepted_ = true;
    close();
  });
}

}  // namespace qrkgui

#include "main_window.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>

#include "device/mcu_model.h"
#include "device/option_panel.h"
#include "hex_panel.h"
#include "image/bin_store.h"
#include "image/memory_map.h"
#include "ops/function_list.h"
#include "ops/functions.h"
#include "ops/production_settings.h"
#include "ops/run_controls.h"
#include "row_list.h"
#include "serial_devices.h"

namespace qrkgui {

namespace {

constexpr const char* kTitle = "QRK MCU Programmer  Version: 1.75";
// Tab keys of the lower strip, in tab order.
constexpr std::array<const char*, 4> kLowerTabKeys = {"Down_ISP_demo", "auto_increase", "TJSL",
                                                      "save_file"};

QString qs(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QLabel* label(QWidget* parent, const QString& text, const QString& name = {}) {
  auto* l = new QLabel(text, parent);
  if (!name.isEmpty()) l->setObjectName(name);
  return l;
}

template <typename W>
W* named(W* widget, const QString& name) {
  widget->setObjectName(name);
  return widget;
}

// One pair of option buttons of a control array: name_0 and name_1, in a
// container of their own so that each pair is exclusive by itself.
std::array<QRadioButton*, 2> radioPair(QWidget* parent, const QString& name, const QString& first,
                                       const QString& second) {
  return {named(new QRadioButton(first, parent), name + "_0"),
          named(new QRadioButton(second, parent), name + "_1")};
}

QComboBox* list(QWidget* parent, const QString& name, const QStringList& entries) {
  auto* box = named(new QComboBox(parent), name);
  box->addItems(entries);
  return box;
}

}  // namespace

MainWindow::MainWindow(qrk::Programmer& programmer, qrk::ProductionLoop& production,
                       WindowHost& host, QWidget* parent)
    : QWidget(parent),
      p_(programmer),
      production_(production),
      host_(host),
      model_(programmer, production),
      view_(programmer.image(), host),
      twips_(QApplication::primaryScreen() ? QApplication::primaryScreen()->logicalDotsPerInchY()
                                           : 96.0) {
  setObjectName(QStringLiteral("frmMain"));
  setWindowTitle(QString::fromUtf8(kTitle));
  // The serial number is shown selected in the dump and scrolled into view.
  p_.autoIncrement().attachView(&view_);
  buildUpperTabs();
  buildOpenFileFrame();
  buildProgramFrame();
  Frame7 = new HexPanel(view_, this);
  buildOptionReport();
  buildLowerTabs();
  host_.attach(this, textMsg, ProgressBar1, labKbyte);
  Frame7->setOnRefresh([this] {
    txt_length->setText(qs(view_.storeLengthText()));
    updateStoreButton();
  });
  connectControls();
  setMinimumSize(twips_.px(kMinimumWidthTwips), twips_.px(kMinimumHeightTwips));
  resize(1024, 768);
  model_.setViewRefresh([this] { showAfterSettingsTick(); });
}

MainWindow::~MainWindow() {
  host_.setOnPaneReplaced({});
  p_.autoIncrement().attachView(nullptr);
  host_.attach(nullptr, nullptr, nullptr, nullptr);
}

// ---------------------------------------------------------------- building --

void MainWindow::buildUpperTabs() {
  TabStrip1 = named(new QTabWidget(this), QStringLiteral("TabStrip1"));
  struct Tab {
    QWidget* page;
    const char* caption;
    const char* key;
    const char* tip;
  };
  const std::array<Tab, 4> tabs = {{
      {buildModelPage(), "MCU/单片机", "MCU_type", "选择MCU, 设置编程参数"},
      {buildPortPage(), "COMM/串行口", "COMM_port_baud", "选择串行口和波特率"},
      {buildListPage(), "Set Auto/设置Auto", "Set_Auto", "设置自动编程"},
      {buildOptionPage(), "Option/选项", "Write_Option", ""},
  }};
  for (std::size_t i = 0; i < tabs.size(); ++i) {
    tabs[i].page->setObjectName(QStringLiteral("Frame1_%1").arg(i));
    const int index = TabStrip1->addTab(tabs[i].page, QString::fromUtf8(tabs[i].caption));
    TabStrip1->tabBar()->setTabData(index, QString::fromUtf8(tabs[i].key));
    TabStrip1->setTabToolTip(index, QString::fromUtf8(tabs[i].tip));
  }
}

QWidget* MainWindow::buildModelPage() {
  auto* page = new QWidget;
  label(page, QStringLiteral("MCU Type:"))->setGeometry(6, 8, 70, 22);
  combMcuModel = named(new QComboBox(page), QStringLiteral("combMcuModel"));
  // Editable: the models that are not listed are chosen by typing their name.
  combMcuModel->setEditable(true);
  combMcuModel->setInsertPolicy(QComboBox::NoInsert);
  for (const std::string& m : qrk::WindowModel::modelEntries()) {
    combMcuModel->addItem(QString::fromStdString(m));
  }
  combMcuModel->setGeometry(78, 6, 120, 24);
  label(page, QStringLiteral("ISP Space"))->setGeometry(212, 8, 62, 22);
  Combo2 = named(new QComboBox(page), QStringLiteral("Combo2"));
  Combo2->setGeometry(276, 6, 110, 24);
  label(page, QStringLiteral("AP Memory    ISP Memory"))->setGeometry(6, 34, 176, 22);
  for (int i = 0; i < 4; ++i) {
    txtISP_reange[i] = named(new QLineEdit(page), QStringLiteral("txtISP_reange_%1").arg(i));
    txtISP_reange[i]->setReadOnly(true);
    txtISP_reange[i]->setAlignment(Qt::AlignCenter);
    txtISP_reange[i]->setGeometry(184 + i * 60, 34, 56, 22);
  }
  picOption = named(new QWidget(page), QStringLiteral("picOption"));
  for (int row = 0; row < qrk::kOptionRowCount; ++row) {
    Picture2[row] = named(new QWidget(picOption), QStringLiteral("Picture2_%1").arg(row));
    LabOptionE[row] = label(Picture2[row], {}, QStringLiteral("LabOptionE_%1").arg(row));
    LabOptionC[row] = label(Picture2[row], {}, QStringLiteral("LabOptionC_%1").arg(row));
    Option[row] = radioPair(Picture2[row], QStringLiteral("Option%1").arg(row),
                            QStringLiteral("YES"), QStringLiteral("NO"));
    Picture2[row]->hide();
  }
  return page;
}

QWidget* MainWindow::buildPortPage() {
  auto* page = new QWidget;
  label(page, QStringLiteral("COMM Port / 串行口:"))->setGeometry(10, 14, 140, 22);
  combCommPort = named(new QComboBox(page), QStringLiteral("combCommPort"));
  // A device the list does not show (a pseudo-terminal) is typed in.
  combCommPort->setEditable(true);
  combCommPort->setInsertPolicy(QComboBox::NoInsert);
  combCommPort->setGeometry(150, 12, 240, 24);
  label(page, QStringLiteral("Baud / 波特率:"))->setGeometry(10, 50, 140, 22);
  QStringList bauds;
  for (std::string_view b : qrk::WindowState::kBaudEntries) bauds << qs(b);
  Combo1 = list(page, QStringLiteral("Combo1"), bauds);
  Combo1->setGeometry(150, 48, 120, 24);
  return page;
}

QWidget* MainWindow::buildListPage() {
  auto* page = new QWidget;
  auto* palette = named(new QWidget(page), QStringLiteral("Picture3"));
  palette->setGeometry(6, 6, 130, 8 * 22);
  txtAutoPalette =
      new RowList(QStringLiteral("txtAuto"), 0, qrk::FunctionList::kPaletteRows, palette);
  txtAutoPalette->setGeometry(0, 0, 130, 8 * 22);
  txtAutoPalette->layoutRows(22);
  const std::array<const char*, 3> captions = {"Add/添加 -->", "<-- Del/删除", "<== Del All"};
  for (int i = 0; i < 3; ++i) {
    comAuto[i] = named(new QPushButton(QString::fromUtf8(captions[i]), page),
                       QStringLiteral("comAuto_%1").arg(i));
    comAuto[i]->setGeometry(146, 20 + i * 40, 110, 30);
  }
  auto* slotBox = named(new QWidget(page), QStringLiteral("picAuto"));
  slotBox->setGeometry(266, 6, 124, 8 * 22);
  txtAutoSlots = new RowList(QStringLiteral("txtAuto"), qrk::FunctionList::kFirstSlot,
                             qrk::FunctionList::kSlotCount, slotBox);
  txtAutoSlots->setGeometry(0, 0, 124, 8 * 22);
  txtAutoSlots->layoutRows(22);
  return page;
}

QWidget* MainWindow::buildOptionPage() {
  auto* page = new QWidget;
  cekReloadFile =
      named(new QCheckBox(QStringLiteral("每次下载前自动重新调入文件，方便调试使用"), page),
            QStringLiteral("cekReloadFile"));
  cekReloadFile->setGeometry(10, 12, 380, 24);
  label(page, QStringLiteral("重复运行间隔时间(秒)"))->setGeometry(10, 50, 150, 24);
  QStringList delays;
  for (std::string_view d : qrk::ProductionSettings::kDelayEntries) delays << qs(d);
  comDalay_ReDownLoad = list(page, QStringLiteral("comDalay_ReDownLoad"), delays);
  comDalay_ReDownLoad->setGeometry(170, 50, 60, 24);
  label(page, QStringLiteral("下载成功声音提示"))->setGeometry(10, 88, 150, 24);
  auto* beep = named(new QWidget(page), QStringLiteral("picBeep"));
  beep->setGeometry(170, 86, 140, 28);
  optBeepNo = named(new QRadioButton(QStringLiteral("NO"), beep), QStringLiteral("optBeepNo"));
  optBeepYes = named(new QRadioButton(QStringLiteral("YES"), beep), QStringLiteral("optBeepYes"));
  optBeepNo->setGeometry(0, 2, 60, 24);
  optBeepYes->setGeometry(66, 2, 60, 24);
  skipBlankBox = named(new QCheckBox(QStringLiteral("Skip blank blocks / 跳过空白块"), page),
                       QStringLiteral("cekSkipBlank"));
  skipBlankBox->setToolTip(
      QStringLiteral("Program leaves out the blocks that are all FF in the image when this run "
                     "erased the chip and a blank check after the erase passed (fill byte FF)."));
  skipBlankBox->setGeometry(10, 124, 380, 24);
  return page;
}

void MainWindow::buildOpenFileFrame() {
  fraOpenFile = named(new QGroupBox(QStringLiteral("Open File / 打开文件"), this),
                      QStringLiteral("fraOpenFile"));
  label(fraOpenFile, QStringLiteral("Buffer Start Address(HEX):"))->setGeometry(10, 22, 190, 22);
  Text4 = named(new QLineEdit(QStringLiteral("0"), fraOpenFile), QStringLiteral("Text4"));
  Text4->setGeometry(236, 22, 70, 22);
  comLoadFile = named(new QPushButton(QStringLiteral("Open File"), fraOpenFile),
                      QStringLiteral("comLoadFile"));
  comLoadFile->setGeometry(316, 20, 110, 26);
  label(fraOpenFile, QStringLiteral("File Check Sum/文件校验和(HEX):"))
      ->setGeometry(10, 48, 220, 22);
  txtFileCheckSum = named(new QLineEdit(fraOpenFile), QStringLiteral("txtFileCheckSum"));
  txtFileCheckSum->setReadOnly(true);
  txtFileCheckSum->setGeometry(236, 48, 70, 22);
  Check6 =
      named(new QCheckBox(QStringLiteral("Clear Buffer"), fraOpenFile), QStringLiteral("Check6"));
  Check6->setGeometry(316, 48, 110, 22);
  label(fraOpenFile, QStringLiteral("Unused Bytes(in file range):"))->setGeometry(10, 74, 190, 22);
  optFillbyte = radioPair(fraOpenFile, QStringLiteral("optFillbyte"), QStringLiteral("FF"),
                          QStringLiteral("00"));
  optFillbyte[0]->setGeometry(236, 74, 50, 22);
  optFillbyte[1]->setGeometry(290, 74, 50, 22);
}

void MainWindow::buildProgramFrame() {
  framStep =
      named(new QGroupBox(QStringLiteral("Program / 编程"), this), QStringLiteral("framStep"));
  Picture1 = named(new QWidget(framStep), QStringLiteral("Picture1"));
  txtFuction = new RowList(QStringLiteral("txtFuction"), 0,
                           static_cast<int>(qrk::runFunctions().size()), Picture1);
  for (int i = 0; i < txtFuction->count(); ++i) {
    txtFuction->setRowText(i, qs(qrk::runFunctions()[static_cast<std::size_t>(i)].name));
  }
  frmWrite_OK_Count = named(new QGroupBox(QStringLiteral("Auto Count"), framStep),
                            QStringLiteral("frmWrite_OK_Count"));
  txtWrite_OK_Count = named(new QLineEdit(QStringLiteral("0"), frmWrite_OK_Count),
                            QStringLiteral("txtWrite_OK_Count"));
  comClear_OK_Count = named(new QPushButton(QStringLiteral("Clear"), frmWrite_OK_Count),
                            QStringLiteral("comClear_OK_Count"));
  comReDownload = named(new QPushButton(QStringLiteral("Re-Run / 重复运行"), framStep),
                        QStringLiteral("comReDownload"));
  comDownload =
      named(new QPushButton(QStringLiteral("Run / 运行"), framStep), QStringLiteral("comDownload"));
  comStop_Download = named(new QPushButton(QStringLiteral("Stop/停止"), framStep),
                           QStringLiteral("comStop_Download"));
  comStop_Download->setEnabled(false);
  Frame3 =
      named(new QGroupBox(QStringLiteral("Message / 信息: "), framStep), QStringLiteral("Frame3"));
  textMsg = named(new QPlainTextEdit(Frame3), QStringLiteral("textMsg"));
  textMsg->setReadOnly(true);
  ProgressBar1 = named(new QProgressBar(framStep), QStringLiteral("ProgressBar1"));
  ProgressBar1->setTextVisible(false);
  labKbyte = named(new QLabel(QStringLiteral("0.000K"), framStep), QStringLiteral("labKbyte"));
}

void MainWindow::buildOptionReport() {
  Frame4 =
      named(new QGroupBox(QStringLiteral("read MCU Option ( Only reference./ 仅供参考)"), this),
            QStringLiteral("Frame4"));
  Picture5 = named(new QWidget(Frame4), QStringLiteral("Picture5"));
  QFont small = font();
  small.setPointSizeF(std::max(6.0, small.pointSizeF() - 1));
  for (int i = 0; i < qrk::kReadOptionLabelCount; ++i) {
    read_Option[i] = label(Picture5, {}, QStringLiteral("read_Option_%1").arg(i));
    read_Option[i]->setFont(small);
  }
  LabLock = label(Picture5, {}, QStringLiteral("LabLock"));
  LabLock->setFont(small);
}

void MainWindow::buildLowerTabs() {
  Frame6 = named(new QWidget(this), QStringLiteral("Frame6"));
  TabStrip2 = named(new QTabWidget(Frame6), QStringLiteral("TabStrip2"));
  const std::array<std::pair<QWidget*, const char*>, 4> pages = {{
      {buildIspDemoPage(), "烧录 ISP DEMO"},
      {buildAutoIncrementPage(), "自动增量"},
      {buildBoardPage(), "脱机烧录"},
      {buildStorePage(), "存储文件"},
  }};
  for (std::size_t i = 0; i < pages.size(); ++i) {
    const int index = TabStrip2->addTab(pages[i].first, QString::fromUtf8(pages[i].second));
    TabStrip2->tabBar()->setTabData(index, QString::fromUtf8(kLowerTabKeys[i]));
  }
}

QWidget* MainWindow::buildIspDemoPage() {
  auto* page = named(new QWidget, QStringLiteral("fraDownload_ISP_demo"));
  label(page, QStringLiteral("内部时钟频率(MHz)"))->setGeometry(8, 6, 130, 22);
  const auto entries = [](auto texts) {
    QStringList l;
    for (std::string_view t : texts) l << qs(t);
    return l;
  };
  comb_oscillate_frequency = list(page, QStringLiteral("comb_oscillate_frequency"),
                                  entries(qrk::IspDemoChoices::kCrystalEntries));
  comb_oscillate_frequency->setEditable(true);
  comb_oscillate_frequency->setGeometry(140, 6, 90, 22);
  label(page, QStringLiteral("ISP与PC通讯波特率及误差"))->setGeometry(8, 32, 170, 22);
  comb_ISP_buad =
      list(page, QStringLiteral("comb_ISP_buad"),
           {"2400", "4800", "9600", "14400", "19200", "28800", "38400", "57600", "115200"});
  comb_ISP_buad->setEditable(true);
  comb_ISP_buad->setGeometry(180, 32, 80, 22);
  Lab_BAUD_ERR = label(page, QStringLiteral("   %"), QStringLiteral("Lab_BAUD_ERR"));
  Lab_BAUD_ERR->setGeometry(266, 32, 60, 22);
  const auto pairRow = [page](int y, const QString& caption, const QString& labelName,
                              const QString& name, const QString& a, const QString& b) {
    auto* box = new QWidget(page);
    box->setGeometry(8, y, 520, 24);
    label(box, caption, labelName)->setGeometry(0, 0, 190, 24);
    auto pair = radioPair(box, name, a, b);
    pair[0]->setGeometry(196, 0, 110, 24);
    pair[1]->setGeometry(310, 0, 140, 24);
    return pair;
  };
  opt_ISP_DEMO_parity = pairRow(58, QStringLiteral("奇偶校验"), {},
                                QStringLiteral("opt_ISP_DEMO_parity"), "YES", "NO");
  optISP_DEMO_erase_data = pairRow(82, QStringLiteral("擦除AP区时擦除 data flash区"),
                                   QStringLiteral("LabISP_DEMO_erase_data"),
                                   QStringLiteral("optISP_DEMO_erase_data"), "YES", "NO");
  opt_ISP_DEMO_WDT = pairRow(106, QStringLiteral("外部看门狗:"), QStringLiteral("Lab_ISP_DEMO_WDT"),
                             QStringLiteral("opt_ISP_DEMO_WDT"), "无", "用1个I/O口喂狗");
  opt_485_pin = pairRow(154, QStringLiteral("485收发控制:"), QStringLiteral("Lab_485_pin"),
                        QStringLiteral("opt_485_pin"), "无485", "用1个I/O口控制");
  opt_485_logic = pairRow(202, QStringLiteral("I/O控制逻辑:"), QStringLiteral("Lab_485_logic"),
                          QStringLiteral("opt_485_logic"), "高电平发送,低接收", "高接收,低发送");
  const QStringList ports = entries(qrk::IspDemoChoices::kPortEntries);
  const QStringList bits = entries(qrk::IspDemoChoices::kBitEntries);
  for (int i = 0; i < 2; ++i) {
    comb_ISP_DEMO_WDT[i] =
        list(page, QStringLiteral("comb_ISP_DEMO_WDT_%1").arg(i), i == 0 ? ports : bits);
    comb_ISP_DEMO_WDT[i]->setGeometry(204 + i * 70, 130, 64, 22);
    comb_485_pin[i] = list(page, QStringLiteral("comb_485_pin_%1").arg(i), i == 0 ? ports : bits);
    comb_485_pin[i]->setGeometry(204 + i * 70, 178, 64, 22);
  }
  com_write_ISP_demo = named(new QPushButton(QStringLiteral("烧录ISP DEMO"), page),
                             QStringLiteral("com_write_ISP_demo"));
  com_write_ISP_demo->setGeometry(380, 130, 130, 26);
  com_re_write_ISP_demo = named(new QPushButton(QStringLiteral("重复烧录ISP DEMO"), page),
                                QStringLiteral("com_re_write_ISP_demo"));
  com_re_write_ISP_demo->setGeometry(380, 160, 130, 26);
  com_ISP_demo_stop =
      named(new QPushButton(QStringLiteral("停止烧录"), page), QStringLiteral("com_ISP_demo_stop"));
  com_ISP_demo_stop->setGeometry(380, 190, 130, 26);
  return page;
}

QWidget* MainWindow::buildAutoIncrementPage() {
  auto* page = named(new QWidget, QStringLiteral("fraAuto_Increase"));
  label(page, QStringLiteral("改变以下参数后请重新打开文件"))->setGeometry(8, 4, 260, 20);
  cheAuto_Increase = named(new QCheckBox(QStringLiteral("启用自动增量"), page),
                           QStringLiteral("cheAuto_Increase"));
  cheAuto_Increase->setGeometry(280, 4, 150, 22);
  const std::array<const char*, 4> captions = {"存放地址(HEX)", "字节数", "下一个值(10进制)",
                                               "增量"};
  for (int i = 0; i < 4; ++i) {
    label(page, QString::fromUtf8(captions[i]))->setGeometry(8, 30 + i * 28, 130, 22);
    texAuto_Increase[i] = named(new QLineEdit(page), QStringLiteral("texAuto_Increase_%1").arg(i));
    texAuto_Increase[i]->setGeometry(140, 30 + i * 28, 150, 22);
  }
  label(page, QStringLiteral("下一个值存储格式:"))->setGeometry(310, 30, 150, 22);
  const std::array<const char*, 3> formats = {"16进制", "十进制", "ASCII码"};
  auto* formatBox = new QWidget(page);
  formatBox->setGeometry(310, 56, 150, 84);
  for (int i = 0; i < 3; ++i) {
    optAuto_Increase[i] = named(new QRadioButton(QString::fromUtf8(formats[i]), formatBox),
                                QStringLiteral("optAuto_Increase_%1").arg(i));
    optAuto_Increase[i]->setGeometry(0, i * 28, 150, 24);
  }
  return page;
}

QWidget* MainWindow::buildBoardPage() {
  auto* page = named(new QWidget, QStringLiteral("Frame18"));
  const std::array<const char*, 11> lines = {
      "脱机烧录板可代替计算机进行编程工作, 用于批量烧录用户应用",
      "程序。使用时必须先将应用程序和选项下载到脱机烧录板,再由脱机",
      "烧录板将应用程序烧录到目的单片机中。",
      "1.先选择(目的)单片机型号,正确设置 ISP Space (ISP程序大小)。",
      "2.正确设置加密位、EN6T、HWBS和振荡器控制位等选项。",
      "3.打开文件。打开多个文件时要注意先打开的文件不要被覆盖。",
      "4.输入脱机烧录板烧录限量(1--1000000)。",
      "5.点击下载用户应用程序按钮, 出现上电提示后给下载板上电。",
      "6.下载完毕断电,将目的MCU放入锁紧座U5-Socket,锁紧、上电即可。",
      "7.请用户注意对脱机下载板的管理。",
      "先点击下载用户应用程序按钮,出现上电提示后再给下载板上电"};
  QFont small = font();
  small.setPointSizeF(std::max(6.0, small.pointSizeF() - 1.5));
  for (std::size_t i = 0; i < lines.size(); ++i) {
    QLabel* l = label(page, QString::fromUtf8(lines[i]), QStringLiteral("labTJXZ_%1").arg(i));
    l->setFont(small);
    l->setGeometry(8, 2 + static_cast<int>(i) * 14, 420, 14);
  }
  label(page, QStringLiteral("脱机烧录板烧录限量:"), QStringLiteral("Label8"))
      ->setGeometry(8, 162, 150, 24);
  txt_download_max = named(new QLineEdit(page), QStringLiteral("txt_download_max"));
  txt_download_max->setGeometry(160, 162, 100, 24);
  comTJXZ =
      named(new QPushButton(QStringLiteral("下载用户应用程序"), page), QStringLiteral("comTJXZ"));
  comTJXZ->setGeometry(8, 194, 160, 28);
  comTJSL_disp = named(new QPushButton(QStringLiteral("脱机烧录过程中的显示"), page),
                       QStringLiteral("comTJSL_disp"));
  comTJSL_disp->setGeometry(176, 194, 180, 28);
  return page;
}

QWidget* MainWindow::buildStorePage() {
  auto* page = named(new QWidget, QStringLiteral("fraSave_file"));
  label(page, QStringLiteral("Start Address/起始地址"))->setGeometry(10, 16, 160, 22);
  txt_Start_Address =
      named(new QLineEdit(QStringLiteral("0"), page), QStringLiteral("txt_Start_Address"));
  txt_Start_Address->setGeometry(176, 16, 90, 22);
  label(page, QStringLiteral("length/长度(HEX)"))->setGeometry(10, 48, 160, 22);
  txt_length = named(new QLineEdit(page), QStringLiteral("txt_length"));
  txt_length->setGeometry(176, 48, 90, 22);
  comStoreFile = named(new QPushButton(QStringLiteral("Store File/存文件"), page),
                       QStringLiteral("comStoreFile"));
  comStoreFile->setGeometry(176, 84, 130, 28);
  return page;
}

}  // namespace qrkgui

#pragma once

#include <QWidget>
#include <array>
#include <memory>
#include <string>

#include "image/hex_view.h"
#include "ispdemo/baud_calculator.h"
#include "ops/production_loop.h"
#include "ops/programmer.h"
#include "platform/event_loop.h"
#include "twips.h"
#include "ui/window_model.h"
#include "window_host.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTabWidget;

namespace qrkgui {

class HexPanel;
class RowList;

// The one main window, `frmMain`: every control of the programmer, named as
// the users' documentation names them (control arrays as name_index), bound
// to the Programmer and its ProductionLoop. All work runs on the window's
// thread; a run waits on the event loop, so the window repaints and Stop
// works while it lasts.
class MainWindow : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kMinimumWidthTwips = 1000;
  static constexpr int kMinimumHeightTwips = 7000;
  // A tab of the lower strip with this caption is unavailable.
  static constexpr const char* kNoTabCaption = "_no_";
  static constexpr int kIspDemoTabIndex = 0;
  static constexpr int kBoardTabIndex = 2;

  MainWindow(qrk::Programmer& programmer, qrk::ProductionLoop& production, WindowHost& host,
             QWidget* parent = nullptr);
  ~MainWindow() override;

  // The start-up sequence: saved settings, pages, function list, image.
  void start();

  // What a technician does, as the buttons do it (also for the command line
  // of the program and for tests).
  void openFile(const QString& path);
  void selectPort(const QString& portName);
  void chooseModel(const QString& name) { onModelChosen(name); }

  qrk::Programmer& programmer() { return p_; }
  qrk::WindowModel& model() { return model_; }
  qrk::HexView& hexView() { return view_; }
  // Whether a close has been asked for and is waiting for a run to end.
  bool closing() const { return closing_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  // --- building -------------------------------------------------------------
  void buildUpperTabs();
  QWidget* buildModelPage();
  QWidget* buildPortPage();
  QWidget* buildListPage();
  QWidget* buildOptionPage();
  void buildOpenFileFrame();
  void buildProgramFrame();
  void buildOptionReport();
  void buildLowerTabs();
  QWidget* buildIspDemoPage();
  QWidget* buildAutoIncrementPage();
  QWidget* buildBoardPage();
  QWidget* buildStorePage();
  void connectControls();

  // --- layout ---------------------------------------------------------------
  void layoutWindow();
  void layoutOptionPanel();

  // --- binding the core to the widgets ---------------------------------------
  void showModel();
  void showPortChoice();
  void showPortEntries();
  void showOptionPanel();
  void showMemoryMap();
  void showFunctionLists();
  void showAutoIncrementInputs();
  void showRunControls(bool running);
  void showLowerTabCaptions();
  void onLowerTabClicked(int index);

  // --- handlers ---------------------------------------------------------------
  void onModelChosen(const QString& text);
  void onIspSpaceChosen(int index);
  void onOptionClicked(int row, int button);
  void onLoadFileClicked();
  void onRunClicked();
  void afterRun();
  // A close asked for during a run happens once the run has returned.
  void finishPendingClose();
  void onReRunClicked();
  void onStopClicked();
  void onFunctionPressed(int row);
  void onFunctionDoubleClicked(int row);
  void onListEdit(int action);
  void onListPressed(int row);
  void onListDoubleClicked(int row);
  void onClearCountClicked();
  void onAutoIncrementToggled(bool ticked);
  void onStoreFileClicked();
  void onBoardDownloadClicked();
  void updateStoreButton();
  std::string selectedFunction() const;

  // --- settings ---------------------------------------------------------------
  // Shows every saved choice after start-up.
  void showSettings();
  // After each settings tick: the choices it settled and the memory map.
  void showAfterSettingsTick();
  void ispDemoChanged();
  // `Lab_BAUD_ERR`: the ISP DEMO baud rate's error for the chosen crystal.
  void showBaudError();

  qrk::Programmer& p_;
  qrk::ProductionLoop& production_;
  WindowHost& host_;
  qrk::WindowModel model_;
  qrk::HexView view_;
  Twips twips_;
  qrk::BaudLabel baudLabel_;
  bool closing_ = false;
  bool closeAccepted_ = false;
  bool running_ = false;

 public:
  // The widgets, by the names the users' documentation gives them.
  QTabWidget* TabStrip1 = nullptr;
  QComboBox* combMcuModel = nullptr;
  QComboBox* Combo2 = nullptr;
  std::array<QLineEdit*, 4> txtISP_reange{};
  QWidget* picOption = nullptr;
  std::array<QWidget*, 8> Picture2{};
  std::array<QLabel*, 8> LabOptionE{};
  std::array<QLabel*, 8> LabOptionC{};
  std::array<std::array<QRadioButton*, 2>, 8> Option{};
  QComboBox* combCommPort = nullptr;
  QComboBox* Combo1 = nullptr;
  std::array<QPushButton*, 3> comAuto{};
  RowList* txtAutoPalette = nullptr;  // txtAuto_0 .. txtAuto_7 in `Picture3`
  RowList* txtAutoSlots = nullptr;    // txtAuto_8 .. txtAuto_15 in `picAuto`
  QCheckBox* cekReloadFile = nullptr;
  QComboBox* comDalay_ReDownLoad = nullptr;
  QRadioButton* optBeepNo = nullptr;
  QRadioButton* optBeepYes = nullptr;
  QCheckBox* skipBlankBox = nullptr;  // `cekSkipBlank`
  QGroupBox* fraOpenFile = nullptr;
  QPushButton* comLoadFile = nullptr;
  QCheckBox* Check6 = nullptr;
  QLineEdit* Text4 = nullptr;
  QLineEdit* txtFileCheckSum = nullptr;
  std::array<QRadioButton*, 2> optFillbyte{};
  HexPanel* Frame7 = nullptr;
  QWidget* Frame6 = nullptr;
  QTabWidget* TabStrip2 = nullptr;
  QGroupBox* framStep = nullptr;
  QWidget* Picture1 = nullptr;
  RowList* txtFuction = nullptr;
  QGroupBox* frmWrite_OK_Count = nullptr;
  QLineEdit* txtWrite_OK_Count = nullptr;
  QPushButton* comClear_OK_Count = nullptr;
  QPushButton* comReDownload = nullptr;
  QPushButton* comDownload = nullptr;
  QPushButton* comStop_Download = nullptr;
  QGroupBox* Frame3 = nullptr;
  QPlainTextEdit* textMsg = nullptr;
  QProgressBar* ProgressBar1 = nullptr;
  QLabel* labKbyte = nullptr;
  QGroupBox* Frame4 = nullptr;
  QWidget* Picture5 = nullptr;
  std::array<QLabel*, 7> read_Option{};
  QLabel* LabLock = nullptr;
  // Lower tab pages.
  QCheckBox* cheAuto_Increase = nullptr;
  std::array<QLineEdit*, 4> texAuto_Increase{};
  std::array<QRadioButton*, 3> optAuto_Increase{};
  QLineEdit* txt_Start_Address = nullptr;
  QLineEdit* txt_length = nullptr;
  QPushButton* comStoreFile = nullptr;
  QPushButton* comTJXZ = nullptr;
  QPushButton* comTJSL_disp = nullptr;
  QLineEdit* txt_download_max = nullptr;
  QComboBox* comb_oscillate_frequency = nullptr;
  QComboBox* comb_ISP_buad = nullptr;
  QLabel* Lab_BAUD_ERR = nullptr;
  std::array<QRadioButton*, 2> opt_ISP_DEMO_parity{};
  std::array<QRadioButton*, 2> optISP_DEMO_erase_data{};
  std::array<QRadioButton*, 2> opt_ISP_DEMO_WDT{};
  std::array<QComboBox*, 2> comb_ISP_DEMO_WDT{};
  std::array<QRadioButton*, 2> opt_485_pin{};
  std::array<QComboBox*, 2> comb_485_pin{};
  std::array<QRadioButton*, 2> opt_485_logic{};
  QPushButton* com_write_ISP_demo = nullptr;
  QPushButton* com_re_write_ISP_demo = nullptr;
  QPushButton* com_ISP_demo_stop = nullptr;
};

}  // namespace qrkgui

#pragma once

#include <QWidget>
#include <vector>

#include "image/hex_view.h"
#include "ops/production_loop.h"
#include "ops/programmer.h"
#include "run_gate.h"
#include "twips.h"
#include "ui/window_model.h"
#include "window_host.h"

namespace qrkgui {

class FileFrame;
class HexPanel;
class OptionPanelPage;
class OptionReport;
class PageTabs;
class PortPage;
class ProgramFrame;
class WindowPage;

// The one main window, `frmMain`: the pages of the programmer laid out as its
// users know them. Each page owns its controls and binds them to the core;
// the window only composes the pages and passes on to all of them what one
// of them changed. All work runs on the window's thread; a run waits on the
// event loop, so the window repaints and Stop works while it lasts.
class MainWindow : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kMinimumWidthTwips = 1000;
  static constexpr int kMinimumHeightTwips = 7000;

  MainWindow(qrk::Programmer& programmer, qrk::ProductionLoop& production, WindowHost& host,
             QWidget* parent = nullptr);
  ~MainWindow() override;

  // The start-up sequence: saved settings, pages, function list, image.
  void start();

  // What a technician does, as the controls do it (for the command line of
  // the program and for tests).
  void openFile(const QString& path);
  void selectPort(const QString& portName);
  void chooseModel(const QString& name);

  // The dump the hex view shows: its size follows the window.
  const qrk::HexView& hexView() const { return view_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  template <typename Page>
  Page* add(Page* page) {
    pages_.push_back(page);
    return page;
  }
  template <typename Show>
  void showOnEveryPage(Show show) {
    for (WindowPage* page : pages_) show(*page);
  }
  void showLock();
  void layoutWindow();
  // A close asked for during a run happens once the run has returned.
  void finishPendingClose();

  qrk::Programmer& programmer_;
  WindowHost& host_;
  qrk::WindowModel model_;
  qrk::HexView view_;
  Twips twips_;
  RunGate runs_;
  std::vector<WindowPage*> pages_;
  PageTabs* upperTabs_ = nullptr;
  OptionPanelPage* optionPanel_ = nullptr;
  PortPage* portPage_ = nullptr;
  FileFrame* fileFrame_ = nullptr;
  ProgramFrame* programFrame_ = nullptr;
  HexPanel* hexPanel_ = nullptr;
  OptionReport* optionReport_ = nullptr;
  QWidget* lowerFrame_ = nullptr;
  PageTabs* lowerTabs_ = nullptr;
  bool closing_ = false;  // a close waits for the run to return
  bool closeAccepted_ = false;
};

}  // namespace qrkgui

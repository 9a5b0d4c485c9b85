#pragma once

#include <QGroupBox>
#include <optional>
#include <string>

#include "ops/function_id.h"
#include "window_page.h"

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace qrkgui {

class MessagePane;
class RowList;

// The frame "Program / 编程" (`framStep`): the functions a click runs
// (`txtFuction`), the count of programmed chips, Re-Run, Run and Stop, the
// message pane and the progress of the function at work. Its caption names
// the port and baud rate the next run uses.
class ProgramFrame : public QGroupBox, public WindowPage {
  Q_OBJECT

 public:
  ProgramFrame(const PageContext& context, QWidget* parent);
  ~ProgramFrame() override;

  void layoutContents();

  void showSaved() override;
  void showSettled() override;
  void showLock(const RunLock& lock) override;
  void showRunResult() override { showCount(); }

 signals:
  // A Run or Re-Run returned, before the controls are unlocked.
  void runReturned();

 private:
  void run();
  void reRun();
  void stop();
  void selectFunction(int row);
  // The function of the selected row; none when no row is selected.
  std::optional<qrk::FunctionId> selectedFunction() const;
  void clearCount();
  void showCount();

  qrk::Programmer& programmer_;
  qrk::WindowModel& model_;
  WindowHost& host_;
  RunGate& runs_;
  const Twips& twips_;
  QWidget* functionColumn_;
  RowList* functions_;
  QGroupBox* countFrame_;
  QLineEdit* count_;
  QPushButton* clearCountButton_;
  QPushButton* reRunButton_;
  QPushButton* runButton_;
  QPushButton* stopButton_;
  MessagePane* messages_;
  QProgressBar* progress_;
  QLabel* kbyteLabel_;
};

}  // namespace qrkgui

#include "program_frame.h"

#include <QProgressBar>
#include <QPushButton>

#include "message_pane.h"
#include "ops/functions.h"
#include "ops/programmer.h"
#include "page_widgets.h"
#include "row_list.h"
#include "twips.h"
#include "ui/window_model.h"
#include "window_host.h"

namespace qrkgui {

ProgramFrame::ProgramFrame(const PageContext& context, QWidget* parent)
    : QGroupBox(QStringLiteral("Program / 编程"), parent),
      programmer_(context.programmer),
      model_(context.model),
      host_(context.host),
      runs_(context.runs),
      twips_(context.twips) {
  setObjectName(QStringLiteral("framStep"));
  functionColumn_ = named(new QWidget(this), QStringLiteral("Picture1"));
  const auto& functions = qrk::runFunctions();
  functions_ = new RowList(QStringLiteral("txtFuction"), 0, static_cast<int>(functions.size()),
                           functionColumn_);
  for (int i = 0; i < functions_->count(); ++i) {
    functions_->setRowText(i, qs(functions[static_cast<std::size_t>(i)].name));
  }
  countFrame_ =
      named(new QGroupBox(QStringLiteral("Auto Count"), this), QStringLiteral("frmWrite_OK_Count"));
  count_ =
      named(new QLineEdit(QStringLiteral("0"), countFrame_), QStringLiteral("txtWrite_OK_Count"));
  clearCountButton_ = named(new QPushButton(QStringLiteral("Clear"), countFrame_),
                            QStringLiteral("comClear_OK_Count"));
  reRunButton_ = named(new QPushButton(QStringLiteral("Re-Run / 重复运行"), this),
                       QStringLiteral("comReDownload"));
  runButton_ =
      named(new QPushButton(QStringLiteral("Run / 运行"), this), QStringLiteral("comDownload"));
  stopButton_ =
      named(new QPushButton(QStringLiteral("Stop/停止"), this), QStringLiteral("comStop_Download"));
  stopButton_->setEnabled(false);
  messages_ = new MessagePane(host_, this);
  progress_ = named(new QProgressBar(this), QStringLiteral("ProgressBar1"));
  progress_->setTextVisible(false);
  kbyteLabel_ = named(new QLabel(QStringLiteral("0.000K"), this), QStringLiteral("labKbyte"));
  host_.attachProgress(progress_, kbyteLabel_);
  // The counter grows and the serial number advances during a Re-Run loop;
  // each countdown step shows them.
  host_.setOnPaneReplaced([this] {
    if (runs_.running())
      count_->setText(QString::fromStdString(programmer_.successCounter().text()));
  });

  connect(runButton_, &QPushButton::clicked, this, &ProgramFrame::run);
  connect(reRunButton_, &QPushButton::clicked, this, &ProgramFrame::reRun);
  connect(stopButton_, &QPushButton::clicked, this, &ProgramFrame::stop);
  connect(clearCountButton_, &QPushButton::clicked, this, &ProgramFrame::clearCount);
  connect(count_, &QLineEdit::textEdited, this,
          [this](const QString& text) { model_.counterTextChanged(text.toStdString()); });
  connect(functions_, &RowList::pressed, this, &ProgramFrame::selectFunction);
  connect(functions_, &RowList::doubleClicked, this, [this](int row) {
    selectFunction(row);
    if (runButton_->isEnabled()) run();
  });
}

ProgramFrame::~ProgramFrame() {
  host_.setOnPaneReplaced({});
  host_.attachProgress(nullptr, nullptr);
}

void ProgramFrame::showSaved() {
  count_->setText(QString::fromStdString(programmer_.successCounter().text()));
  functions_->setSelectedRow(0);
}

void ProgramFrame::showSettled() { setTitle(QString::fromStdString(model_.programFrameCaption())); }

void ProgramFrame::showLock(const RunLock& lock) {
  applyRunLock(*this, lock);
  stopButton_->setEnabled(lock.controls.stopEnabled);
}

void ProgramFrame::run() {
  runs_.run([this] {
    model_.run(selectedFunction());
    emit runReturned();
  });
}

void ProgramFrame::reRun() {
  runs_.run([this] {
    model_.reRun(selectedFunction());
    emit runReturned();
  });
}

void ProgramFrame::stop() {
  model_.stopClicked();
  runs_.refreshLock();
}

void ProgramFrame::selectFunction(int row) {
  const bool hasText = !functions_->row(row)->text().trimmed().isEmpty();
  functions_->setSelectedRow(hasText ? row : -1);
}

std::optional<qrk::FunctionId> ProgramFrame::selectedFunction() const {
  const int row = functions_->selectedRow();
  if (row < 0) return std::nullopt;
  return qrk::functionFromName(functions_->row(row)->text().trimmed().toStdString());
}

void ProgramFrame::clearCount() {
  programmer_.successCounter().clear(host_);
  showCount();
}

void ProgramFrame::showCount() {
  setTextQuietly(count_, QString::fromStdString(programmer_.successCounter().text()));
}

void ProgramFrame::layoutContents() {
  const Twips& t = twips_;
  const int h = height();
  const int w = width();
  const int kbyteTop = h - t.px(300);
  place(kbyteLabel_, 8, kbyteTop, 64, t.px(300) - 2);
  place(progress_, 76, kbyteTop + 2, w - 84, t.px(300) - 6);
  const int buttonTop = kbyteTop - t.px(500);
  const int buttonHeight = t.px(500) - 4;
  const int reRunWidth = (w - 24) * 2 / 5;
  const int runWidth = (w - 24 - reRunWidth) / 2;
  place(reRunButton_, 8, buttonTop, reRunWidth, buttonHeight);
  place(runButton_, 12 + reRunWidth, buttonTop, runWidth, buttonHeight);
  place(stopButton_, 16 + reRunWidth + runWidth, buttonTop, w - 24 - reRunWidth - runWidth,
        buttonHeight);
  const int columnLeft = t.px(140);
  const int columnWidth = 118;
  const int countHeight = 48;
  const int countTop = buttonTop - t.px(80) - countHeight;
  place(countFrame_, columnLeft, countTop, columnWidth, countHeight);
  place(count_, 6, 18, columnWidth - 62, 24);
  place(clearCountButton_, columnWidth - 52, 17, 46, 26);
  const int columnTop = 18;
  place(functionColumn_, columnLeft, columnTop, columnWidth, countTop - t.px(400) - columnTop);
  place(functions_, 0, 0, functionColumn_->width(), functionColumn_->height());
  functions_->layoutRows(functionColumn_->height() / std::max(1, functions_->count()));
  const int messageLeft = columnLeft + columnWidth + 6;
  place(messages_, messageLeft, 16, w - messageLeft - 6, buttonTop - t.px(350));
  messages_->layoutContents();
}

}  // namespace qrkgui

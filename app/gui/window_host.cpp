#include "window_host.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScrollBar>

namespace qrkgui {

QString paneDisplayText(const std::string& text) {
  QString shown = QString::fromStdString(text);
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  shown.replace(QChar('\r'), QChar('\n'));
  return shown;
}

void WindowHost::attachWindow(QWidget* window) { window_ = window; }

void WindowHost::attachPane(QPlainTextEdit* pane) { pane_ = pane; }

void WindowHost::attachProgress(QProgressBar* bar, QLabel* kbyte) {
  bar_ = bar;
  kbyte_ = kbyte;
}

void WindowHost::showAtEnd(const QString& text) {
  if (!pane_) return;
  QTextCursor cursor = pane_->textCursor();
  cursor.movePosition(QTextCursor::End);
  cursor.insertText(text);
  // The caret follows the newest text, so the last line is always in view.
  pane_->setTextCursor(cursor);
  pane_->verticalScrollBar()->setValue(pane_->verticalScrollBar()->maximum());
}

void WindowHost::messageReplaced(const std::string& text) {
  pendingCarriageReturn_ = !text.empty() && text.back() == '\r';
  if (!pane_) return;
  pane_->setPlainText(paneDisplayText(text));
  showAtEnd(QString());
  if (onReplaced_) onReplaced_();
}

void WindowHost::messageAppended(const std::string& text) {
  if (text.empty()) return;
  std::string piece = text;
  // A CR LF pair split over two appends is one line break, not two.
  if (pendingCarriageReturn_ && piece.front() == '\n') piece.erase(0, 1);
  pendingCarriageReturn_ = text.back() == '\r';
  showAtEnd(paneDisplayText(piece));
}

void WindowHost::setProgressVisible(bool visible) {
  if (bar_) bar_->setVisible(visible);
  if (kbyte_) kbyte_->setVisible(visible);
}

void WindowHost::setProgressRange(int minimum, int maximum) {
  if (bar_) bar_->setRange(minimum, std::max(minimum, maximum));
}

void WindowHost::setProgressValue(int value) {
  if (!bar_) return;
  bar_->setValue(std::clamp(value, bar_->minimum(), bar_->maximum()));
}

void WindowHost::setKbyteText(const std::string& text) {
  if (kbyte_) kbyte_->setText(QString::fromStdString(text));
}

qrk::MessageAnswer WindowHost::messageBox(const std::string& text, const std::string& title,
                                          qrk::MessageButtons buttons) {
  QMessageBox box(window_);
  box.setObjectName(QStringLiteral("messageBox"));
  box.setWindowTitle(title.empty() ? QString::fromUtf8(kBoxTitle) : QString::fromStdString(title));
  box.setText(paneDisplayText(text));
  if (buttons == qrk::MessageButtons::YesNo) {
    box.setIcon(QMessageBox::Question);
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    // Every question here changes data or a count: the safe answer is the default.
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
  } else {
    box.setStandardButtons(QMessageBox::Ok);
  }
  // A box asked during a load or a run must not keep the busy pointer.
  const bool busy = busyDepth_ > 0;
  if (busy) QApplication::restoreOverrideCursor();
  const int answer = box.exec();
  if (busy) QApplication::setOverrideCursor(Qt::WaitCursor);
  if (buttons == qrk::MessageButtons::Ok) return qrk::MessageAnswer::Ok;
  return answer == QMessageBox::Yes ? qrk::MessageAnswer::Yes : qrk::MessageAnswer::No;
}

void WindowHost::beep() {
  ++beeps_;
  QApplication::beep();
}

void WindowHost::setBusy(bool busy) {
  if (busy) {
    if (busyDepth_++ == 0) QApplication::setOverrideCursor(Qt::WaitCursor);
  } else if (busyDepth_ > 0) {
    if (--busyDepth_ == 0) QApplication::restoreOverrideCursor();
  }
}

}  // namespace qrkgui

#pragma once

#include <QGroupBox>

class QPlainTextEdit;

namespace qrkgui {

class WindowHost;

// The frame "Message / 信息: " (`Frame3`) with the message pane `textMsg`,
// where the host writes every report of a run.
class MessagePane : public QGroupBox {
  Q_OBJECT

 public:
  MessagePane(WindowHost& host, QWidget* parent);
  ~MessagePane() override;

  void layoutContents();

 private:
  WindowHost& host_;
  QPlainTextEdit* text_;
};

}  // namespace qrkgui

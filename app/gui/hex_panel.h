#pragma once

#include <QGroupBox>

#include "image/hex_view.h"
#include "twips.h"
#include "window_page.h"

class QLineEdit;
class QPlainTextEdit;
class QScrollBar;

namespace qrkgui {

// The frame `Frame7`: the hexadecimal dump of the image (`txtBuffer2`, with
// the composition box `txtBuffer` behind it), its headings (`Text3`) and the
// scroll bar `VScroll1`. Every click, key and scroll goes to the HexView
// model; the widgets only mirror what it renders.
class HexPanel : public QGroupBox, public WindowPage {
  Q_OBJECT

 public:
  HexPanel(const PageContext& context, QWidget* parent);

  // Shows the model's dump, selection and scroll bar.
  void refresh();
  // Places the boxes inside the frame and tells the model how many lines fit.
  void layoutContents();

  void showSettled() override;
  void showFile(const QString& path) override;
  void showImage() override { refresh(); }
  void showRunResult() override;

 signals:
  // After every refresh: the view's range of interest may have moved.
  void refreshed();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The dump's positions count CR LF as two characters, the widget's as one.
  int toWidget(std::size_t modelPosition) const;
  std::size_t toModel(int widgetPosition) const;
  void showSelection();
  // "File:" until a file is chosen, then "File: " and its path.
  void setFilePath(const QString& path);

  qrk::Programmer& programmer_;
  RunGate& runs_;
  const Twips& twips_;
  qrk::HexView& view_;
  QLineEdit* addressHeading_;
  QLineEdit* byteHeading_;
  QPlainTextEdit* composition_;
  QPlainTextEdit* visible_;
  QScrollBar* scroll_;
  bool refreshing_ = false;
};

}  // namespace qrkgui

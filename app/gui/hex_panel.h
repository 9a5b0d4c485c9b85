#pragma once

#include <QGroupBox>
#include <functional>

#include "image/hex_view.h"
#include "twips.h"

class QLineEdit;
class QPlainTextEdit;
class QScrollBar;

namespace qrkgui {

// The frame `Frame7`: the hexadecimal dump of the image (`txtBuffer2`, with
// the composition box `txtBuffer` behind it), its headings (`Text3`) and the
// scroll bar `VScroll1`. Every click, key and scroll goes to the HexView
// model; the widgets only mirror what it renders.
class HexPanel : public QGroupBox {
  Q_OBJECT

 public:
  HexPanel(qrk::HexView& view, QWidget* parent = nullptr);

  // "File:" until a file is chosen, then "File: " and its path.
  void setFilePath(const QString& path);
  // Shows the model's dump, selection and scroll bar.
  void refresh();
  // Places the boxes inside the frame and tells the model how many lines fit.
  void layoutContents(const Twips& t);

  QPlainTextEdit* dump() const { return visible_; }
  QScrollBar* scrollBar() const { return scroll_; }
  // Called after every refresh (the store's length box follows the view).
  void setOnRefresh(std::function<void()> onRefresh) { onRefresh_ = std::move(onRefresh); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The dump's positions count CR LF as two characters, the widget's as one.
  int toWidget(std::size_t modelPosition) const;
  std::size_t toModel(int widgetPosition) const;
  void showSelection();

  qrk::HexView& view_;
  QLineEdit* addressHeading_;
  QLineEdit* byteHeading_;
  QPlainTextEdit* composition_;
  QPlainTextEdit* visible_;
  QScrollBar* scroll_;
  bool refreshing_ = false;
  std::function<void()> onRefresh_;
};

}  // namespace qrkgui

#include "hex_panel.h"

#include <QCoreApplication>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScrollBar>

#include "ops/programmer.h"
#include "window_host.h"

namespace qrkgui {

HexPanel::HexPanel(const PageContext& context, QWidget* parent)
    : QGroupBox(QStringLiteral("File:"), parent),
      programmer_(context.programmer),
      runs_(context.runs),
      twips_(context.twips),
      view_(context.view) {
  setObjectName(QStringLiteral("Frame7"));
  const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  addressHeading_ = new QLineEdit(QStringLiteral("地 址"), this);
  addressHeading_->setObjectName(QStringLiteral("Text3_0"));
  byteHeading_ =
      new QLineEdit(QStringLiteral("00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F "), this);
  byteHeading_->setObjectName(QStringLiteral("Text3_1"));
  for (QLineEdit* heading : {addressHeading_, byteHeading_}) {
    heading->setReadOnly(true);
    heading->setFrame(false);
    heading->setFocusPolicy(Qt::NoFocus);
    heading->setFont(fixed);
  }
  composition_ = new QPlainTextEdit(this);
  composition_->setObjectName(QStringLiteral("txtBuffer"));
  composition_->hide();  // the dump is composed behind the visible box
  visible_ = new QPlainTextEdit(this);
  visible_->setObjectName(QStringLiteral("txtBuffer2"));
  visible_->setFont(fixed);
  visible_->setLineWrapMode(QPlainTextEdit::NoWrap);
  visible_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  visible_->setUndoRedoEnabled(false);
  visible_->setToolTip(QStringLiteral("点击, 当一个字符高亮时可以修改缓冲区"));
  visible_->installEventFilter(this);
  visible_->viewport()->installEventFilter(this);
  scroll_ = new QScrollBar(Qt::Vertical, this);
  scroll_->setObjectName(QStringLiteral("VScroll1"));
  connect(scroll_, &QScrollBar::valueChanged, this, [this](int value) {
    if (refreshing_) return;
    view_.setScrollValue(value);
    refresh();
  });
}

void HexPanel::setFilePath(const QString& path) {
  setTitle(path.isEmpty() ? QStringLiteral("File:") : QStringLiteral("File: ") + path);
}

int HexPanel::toWidget(std::size_t modelPosition) const {
  const std::string& text = view_.text();
  const std::size_t end = std::min(modelPosition, text.size());
  int position = 0;
  for (std::size_t i = 0; i < end; ++i) {
    if (text[i] != '\r') ++position;
  }
  return position;
}

std::size_t HexPanel::toModel(int widgetPosition) const {
  const std::string& text = view_.text();
  int seen = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (seen == widgetPosition && text[i] != '\r') return i;
    if (text[i] != '\r') ++seen;
  }
  return text.size();
}

void HexPanel::showSelection() {
  QTextCursor cursor = visible_->textCursor();
  const int start = toWidget(view_.selectionStart());
  const int end = toWidget(view_.selectionStart() + view_.selectionLength());
  cursor.setPosition(start);
  cursor.setPosition(end, QTextCursor::KeepAnchor);
  visible_->setTextCursor(cursor);
}

void HexPanel::refresh() {
  refreshing_ = true;
  const qrk::HexScrollBar& bar = view_.scrollBar();
  scroll_->setRange(bar.minimum, std::max(bar.minimum, bar.maximum));
  scroll_->setPageStep(std::max(1, bar.largeChange));
  scroll_->setValue(bar.value);
  const QString shown = paneDisplayText(view_.text());
  composition_->setPlainText(shown);
  visible_->setPlainText(shown);
  showSelection();
  refreshing_ = false;
  emit refreshed();
}

void HexPanel::showSettled() {
  // The reload check may have cleared an image laid out for another memory map.
  if (programmer_.image().fileLoaded || runs_.running()) return;
  setFilePath({});
  view_.fitToRange();
  refresh();
}

void HexPanel::showFile(const QString& path) {
  setFilePath(path);
  view_.setHighlightField(std::nullopt);
  view_.fitToRange();
  refresh();
}

void HexPanel::showRunResult() {
  // A read-back or a new serial number changed the image.
  view_.scrollView();
  refresh();
}

void HexPanel::layoutContents() {
  const auto px = [this](int twips) { return twips_.px(twips); };
  const int scrollWidth = scroll_->sizeHint().width();
  const int headingHeight = byteHeading_->sizeHint().height();
  const int left = px(100);
  const int top = px(200) + headingHeight;
  const int width = std::max(0, this->width() - scrollWidth - px(180) - left);
  const int height = std::max(0, this->height() - top - px(100));
  const QFontMetrics metrics(visible_->font());
  const int addressWidth = metrics.horizontalAdvance(QStringLiteral(" 000000   "));
  addressHeading_->setGeometry(left, px(200), std::min(width, addressWidth), headingHeight);
  byteHeading_->setGeometry(left + addressWidth, px(200), std::max(0, width - addressWidth),
                            headingHeight);
  composition_->setGeometry(left, top, width, height);
  visible_->setGeometry(left, top, width, height);
  scroll_->setGeometry(left + width + px(50), top, scrollWidth, height);
  // Only the lines the box shows are ever built.
  const int lineHeight = std::max(1, metrics.lineSpacing());
  const int lines = std::max(1, (height - 2 * visible_->frameWidth() - 8) / lineHeight - 2);
  if (lines != view_.lineCapacity()) {
    view_.setLineCapacity(lines);
    view_.scrollView();
    refresh();
  }
}

bool HexPanel::eventFilter(QObject* watched, QEvent* event) {
  if (watched == visible_->viewport() && event->type() == QEvent::MouseButtonPress) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    const int position = visible_->cursorForPosition(mouse->position().toPoint()).position();
    view_.click(toModel(position));
    visible_->setFocus();
    showSelection();
    return true;
  }
  if (watched == visible_->viewport() && event->type() == QEvent::Wheel) {
    // The dump holds only the lines in view: the wheel moves the scroll bar.
    QCoreApplication::sendEvent(scroll_, event);
    return true;
  }
  if (watched == visible_->viewport() &&
      (event->type() == QEvent::MouseMove || event->type() == QEvent::MouseButtonRelease ||
       event->type() == QEvent::MouseButtonDblClick)) {
    return true;  // no drag selections: one digit at a time
  }
  if (watched == visible_ && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_PageUp || key->key() == Qt::Key_PageDown) {
      if (key->key() == Qt::Key_PageUp ? view_.pageUp() : view_.pageDown()) refresh();
      return true;
    }
    const QString typed = key->text();
    if (typed.size() == 1 && typed.at(0).unicode() < 128) {
      view_.typeKey(static_cast<char>(typed.at(0).unicode()));
      refresh();
    }
    return true;  // the dump is never edited by ordinary typing
  }
  return QGroupBox::eventFilter(watched, event);
}

}  // namespace qrkgui

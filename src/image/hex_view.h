#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "image/image_buffer.h"
#include "platform/host.h"

namespace qrk {

// The scroll bar beside the dump (`VScroll1`); one step is one line of 16 bytes.
struct HexScrollBar {
  int value = 0;
  int minimum = 0;
  int maximum = 64;
  int largeChange = 16;
};

// The model of the hexadecimal view and editor: the dump text with its
// selection, the window of addresses it shows and the scroll bar over the
// range of interest. A widget only mirrors this state and forwards the user's
// clicks, keys and scrolls.
class HexView {
 public:
  static constexpr int kTwipsPerLine = 194;
  // 62 lines of 16 bytes less three: the furthest a window reaches past its start.
  static constexpr std::int32_t kWindowSpan = 62 * 16 - 3;
  static constexpr std::string_view kEditQuestion = "Update the buffer? / 修改缓冲区内容吗?";
  static constexpr std::string_view kOpenFileFirst = "    Please open file./请打开文件。 ";

  HexView(ImageBuffer& image, Host& host);

  // Lines that fit a box of the given height, to the nearest whole line.
  static int linesForHeight(int twips);
  // At least one line; the window itself never shows more than 62.
  void setLineCapacity(int lines);
  int lineCapacity() const { return lineCapacity_; }

  // The serial-number field to show selected at the next render, or none.
  void setHighlightField(std::optional<ImageBuffer::Field> field);

  // A cleared image: the scroll bar spans 0 .. 64 and the first kilobyte is shown.
  void reset();
  // After the range of interest changed: the scroll bar spans the range and the
  // view is rebuilt at the bar's position.
  void fitToRange();

  // Rebuilds the dump for the addresses viewStart .. viewEnd, as far as the box holds lines.
  void renderView(std::int32_t viewStart, std::int32_t viewEnd);
  // Rebuilds the dump at the scroll bar's position and refreshes the store length box.
  void scrollView();

  // Moves the scroll bar and redraws; a value outside its range is not applied.
  bool setScrollValue(int value);
  void setScrollMaximum(int maximum);
  void setLargeChange(int largeChange);
  bool pageUp() { return setScrollValue(scroll_.value - scroll_.largeChange); }
  bool pageDown() { return setScrollValue(scroll_.value + scroll_.largeChange); }

  // A click in the dump: the caret lands at `position`, then snaps to a digit.
  void click(std::size_t position);
  // Moves the caret right until it selects one byte digit or reaches the end.
  void snapToDigit();
  // A typed character: overtypes the selected digit, asking once per run first.
  void typeKey(char key);

  const std::string& text() const { return text_; }
  std::size_t selectionStart() const { return selectionStart_; }
  std::size_t selectionLength() const { return selectionLength_; }
  std::int32_t viewStart() const { return viewStart_; }
  std::int32_t viewEnd() const { return viewEnd_; }
  const HexScrollBar& scrollBar() const { return scroll_; }
  bool editConfirmed() const { return editConfirmed_; }
  // Where the last render found the field, as characters of the dump; length 0 when it did not.
  std::size_t highlightStart() const { return highlightStart_; }
  std::size_t highlightLength() const { return highlightLength_; }
  // The store's length box: rangeHigh + 1 after every scroll.
  const std::string& storeLengthText() const { return storeLengthText_; }

 private:
  void select(std::size_t start, std::size_t length);
  void clampScrollValue();
  char charAt(std::size_t position, int offset) const;
  bool confirmEdit();
  void storeEditedCell(char key);

  ImageBuffer& image_;
  Host& host_;
  HexScrollBar scroll_;
  int lineCapacity_ = 62;
  std::optional<ImageBuffer::Field> field_;
  std::string text_;
  std::size_t selectionStart_ = 0;
  std::size_t selectionLength_ = 0;
  std::size_t highlightStart_ = 0;
  std::size_t highlightLength_ = 0;
  std::int32_t viewStart_ = 0;
  std::int32_t viewEnd_ = 0;
  bool editConfirmed_ = false;
  std::string storeLengthText_;
};

}  // namespace qrk

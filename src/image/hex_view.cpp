#include "image/hex_view.h"

#include <algorithm>
#include <cctype>

#include "image/number_text.h"
#include "platform/text.h"

namespace qrk {

namespace {

constexpr std::int32_t kBytesPerLine = 16;
// " 001230   ": a space, six address digits, three spaces.
constexpr std::size_t kAddressPrefix = 10;
// A line break and the next line's address prefix, inside a field that wraps.
constexpr std::size_t kLineBreakSpan = 2 + kAddressPrefix;

std::int64_t floorToLine(std::int64_t address) {
  const std::int64_t line = address / kBytesPerLine - (address % kBytesPerLine < 0 ? 1 : 0);
  return line * kBytesPerLine;
}

bool isControl(char c) { return static_cast<unsigned char>(c) < 15; }

bool isHexDigit(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }

}  // namespace

HexView::HexView(ImageBuffer& image, Host& host) : image_(image), host_(host) {}

int HexView::linesForHeight(int twips) {
  return (std::max(twips, 0) + kTwipsPerLine / 2) / kTwipsPerLine;
}

void HexView::setLineCapacity(int lines) { lineCapacity_ = std::max(lines, 1); }

void HexView::setHighlightField(std::optional<ImageBuffer::Field> field) {
  field_ = field && field->length > 0 ? field : std::nullopt;
}

void HexView::reset() {
  scroll_.minimum = 0;
  scroll_.maximum = 64;
  clampScrollValue();
  renderView(0, 1023);
}

void HexView::fitToRange() {
  // Truncated toward zero, as the range may be inverted right after a clear.
  scroll_.maximum = std::max(scroll_.minimum, (image_.rangeHigh - image_.rangeLow) / 16 - 3);
  clampScrollValue();
  scrollView();
}

void HexView::renderView(std::int32_t viewStart, std::int32_t viewEnd) {
  text_ = "\r\n\r\n";
  highlightStart_ = 0;
  highlightLength_ = 0;
  std::optional<std::int64_t> fieldStart;
  if (field_) fieldStart = std::int64_t{field_->address} + 1 - field_->length;

  std::int64_t address = std::max<std::int64_t>(0, floorToLine(viewStart));
  const std::int64_t last =
      std::min<std::int64_t>(address + std::int64_t{lineCapacity_} * kBytesPerLine - 1, viewEnd);
  while (address <= last) {
    std::string line = " " + upperHex(address, 6) + "   ";
    const std::int64_t lineLast = std::min(address + kBytesPerLine - 1, last);
    for (std::int64_t x = address; x <= lineLast; ++x) {
      line += upperHex(image_.at(static_cast<std::int32_t>(x)), 2) + " ";
      if (fieldStart && x == *fieldStart) {
        const auto length = static_cast<std::size_t>(field_->length);
        const auto column = static_cast<std::size_t>(x % kBytesPerLine);
        highlightStart_ = text_.size() + line.size() - 3;
        highlightLength_ =
            3 * length - 1 + kLineBreakSpan * ((column + length - 1) / kBytesPerLine);
      }
    }
    text_ += line + "\r\n";
    address = lineLast + 1;
  }
  // A field that runs past the shown lines is selected only as far as they go.
  highlightLength_ = std::min(highlightLength_, text_.size() - highlightStart_);
  host_.setKbyteText("");
  select(highlightStart_, highlightLength_);
}

void HexView::scrollView() {
  std::int64_t start =
      (std::int64_t{scroll_.value} + floorToLine(image_.rangeLow) / kBytesPerLine) * kBytesPerLine;
  if (start < image_.rangeLow) start = floorToLine(image_.rangeLow);
  const std::int64_t end = std::min<std::int64_t>(start + kWindowSpan, image_.rangeHigh);
  viewStart_ = static_cast<std::int32_t>(start);
  viewEnd_ = static_cast<std::int32_t>(end);
  renderView(viewStart_, viewEnd_);
  storeLengthText_ = upperHex(std::max(image_.rangeHigh, -1) + 1);
}

bool HexView::setScrollValue(int value) {
  if (value < scroll_.minimum || value > scroll_.maximum) return false;
  if (value != scroll_.value) {
    scroll_.value = value;
    scrollView();
  }
  return true;
}

void HexView::setScrollMaximum(int maximum) {
  scroll_.maximum = std::max(maximum, scroll_.minimum);
  const int before = scroll_.value;
  clampScrollValue();
  if (scroll_.value != before) scrollView();
}

void HexView::setLargeChange(int largeChange) { scroll_.largeChange = std::max(largeChange, 1); }

void HexView::clampScrollValue() {
  scroll_.value = std::clamp(scroll_.value, scroll_.minimum, scroll_.maximum);
}

void HexView::click(std::size_t position) {
  select(std::min(position, text_.size()), 0);
  snapToDigit();
}

char HexView::charAt(std::size_t position, int offset) const {
  const auto index = static_cast<std::int64_t>(position) + offset;
  if (index < 0 || index >= static_cast<std::int64_t>(text_.size())) return '\0';
  return text_[static_cast<std::size_t>(index)];
}

void HexView::snapToDigit() {
  std::size_t p = selectionStart_;
  for (; p < text_.size(); ++p) {
    auto c = [&](int k) { return charAt(p, k); };
    const bool firstDigit = c(-1) == ' ' && c(0) != ' ' && c(1) != ' ' && c(2) == ' ' &&
                            !isControl(c(0)) && !isControl(c(1));
    const bool secondDigit =
        c(-2) == ' ' && c(-1) != ' ' && c(0) != ' ' && c(1) == ' ' && !isControl(c(0));
    if (firstDigit || secondDigit) {
      select(p, 1);
      return;
    }
  }
  select(text_.size(), 0);
}

bool HexView::confirmEdit() {
  if (host_.messageBox(std::string(kEditQuestion), {}, MessageButtons::YesNo) !=
      MessageAnswer::Yes) {
    return false;
  }
  if (!image_.fileLoaded) {
    host_.messageBox(std::string(kOpenFileFirst), {}, MessageButtons::Ok);
    return false;
  }
  editConfirmed_ = true;
  return true;
}

void HexView::typeKey(char key) {
  if (!isHexDigit(key) || selectionLength_ != 1) return;
  if (!editConfirmed_ && !confirmEdit()) return;
  if (selectionStart_ >= text_.size() || text_[selectionStart_] == ' ') return;
  storeEditedCell(key);
}

void HexView::storeEditedCell(char key) {
  // Only a digit of a byte cell is edited; a selection the widget let slip
  // onto an address or a line break changes nothing.
  const std::size_t caret = selectionStart_;
  const std::size_t newline = text_.rfind('\n', caret);
  const std::size_t lineStart = newline == std::string::npos ? 0 : newline + 1;
  const std::size_t offset = caret - lineStart;
  if (offset < kAddressPrefix || (offset - kAddressPrefix) % 3 == 2) return;
  const std::size_t column = (offset - kAddressPrefix) / 3;
  const std::size_t cell = lineStart + kAddressPrefix + 3 * column;
  if (column >= kBytesPerLine || cell + 1 >= text_.size()) return;
  const auto lineAddress = parseHexText(std::string_view(text_).substr(lineStart + 2, 5));
  if (!lineAddress || text_[lineStart] != ' ') return;

  std::string digits = text_.substr(cell, 2);
  digits[caret - cell] = static_cast<char>(std::toupper(static_cast<unsigned char>(key)));
  const auto value = parseHexText(digits);
  if (!value) return;
  text_[caret] = digits[caret - cell];
  image_.set(static_cast<std::int32_t>(*lineAddress + static_cast<std::int64_t>(column)),
             static_cast<std::uint8_t>(*value));
  select(caret + 1, 0);
  snapToDigit();
}

void HexView::select(std::size_t start, std::size_t length) {
  selectionStart_ = std::min(start, text_.size());
  selectionLength_ = std::min(length, text_.size() - selectionStart_);
}

}  // namespace qrk

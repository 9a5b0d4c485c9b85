#include "image/auto_increment.h"

#include <algorithm>
#include <cstddef>

#include "image/number_text.h"
#include "platform/text.h"

namespace qrk {

namespace {

constexpr std::int64_t kHexValueLimit = 2147483648;  // 2^31
constexpr std::int64_t kMaxHexBytes = 4;

bool allDigits(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string_view withoutLeadingZeros(std::string_view digits) {
  const auto first = digits.find_first_not_of('0');
  return first == std::string_view::npos ? std::string_view{} : digits.substr(first);
}

// Decimal digits the field shows the value with: the digits of N hex bytes
// (3, 6, 8, 11 for N = 1 .. 4), two BCD digits per byte, one ASCII digit per byte.
std::int64_t digitWidth(std::int64_t length, SerialFormat format) {
  switch (format) {
    case SerialFormat::Hex:
      return (241 * length + 150) / 100;
    case SerialFormat::Decimal:
      return 2 * length;
    case SerialFormat::Ascii:
      return length;
  }
  return length;
}

// Sum and difference of unsigned decimal digit strings; numbers of any width,
// since a BCD field may hold more digits than any machine integer.
std::string plainDigits(std::string_view digits) {
  const std::string_view plain = withoutLeadingZeros(digits);
  return plain.empty() ? "0" : std::string(plain);
}

std::string addDigits(std::string_view a, std::string_view b) {
  std::string sum;
  int carry = 0;
  for (std::size_t i = 0; i < std::max(a.size(), b.size()) || carry != 0; ++i) {
    const int x = i < a.size() ? a[a.size() - 1 - i] - '0' : 0;
    const int y = i < b.size() ? b[b.size() - 1 - i] - '0' : 0;
    sum.push_back(static_cast<char>('0' + (x + y + carry) % 10));
    carry = (x + y + carry) / 10;
  }
  std::reverse(sum.begin(), sum.end());
  return plainDigits(sum);
}

bool digitsLess(std::string_view a, std::string_view b) {
  a = withoutLeadingZeros(a);
  b = withoutLeadingZeros(b);
  return a.size() != b.size() ? a.size() < b.size() : a < b;
}

// a - b for a >= b.
std::string subtractDigits(std::string_view a, std::string_view b) {
  std::string difference;
  int borrow = 0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const int x = a[a.size() - 1 - i] - '0';
    const int y = i < b.size() ? b[b.size() - 1 - i] - '0' : 0;
    int digit = x - y - borrow;
    borrow = digit < 0 ? 1 : 0;
    difference.push_back(static_cast<char>('0' + digit + 10 * borrow));
  }
  std::reverse(difference.begin(), difference.end());
  return plainDigits(difference);
}

// An increment as typed: optional sign, then decimal digits.
struct Increment {
  bool negative = false;
  std::string digits;
};

std::optional<Increment> parseIncrement(std::string_view text) {
  text = trimmed(text);
  Increment increment;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    increment.negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty() || !allDigits(text)) return std::nullopt;
  increment.digits = std::string(text);
  return increment;
}

}  // namespace

SerialEncoding encodeSerial(std::string_view nextValue, std::int64_t length, SerialFormat format) {
  if (length <= 0) return {std::string(AutoIncrement::kLengthInvalid), {}, {}};
  const std::string_view typed = trimmed(nextValue);
  if (!allDigits(typed)) return {std::string(AutoIncrement::kNextNotDecimal), {}, {}};
  if (format == SerialFormat::Hex && length > kMaxHexBytes) {
    return {std::string(AutoIncrement::kHexTooWide), {}, {}};
  }
  const std::string_view significant = withoutLeadingZeros(typed);
  const std::int64_t width = digitWidth(length, format);

  SerialEncoding encoding;
  encoding.bytes.resize(static_cast<std::size_t>(length));
  if (format == SerialFormat::Hex) {
    // At most 10 digits here, or the value is past the limit anyway.
    const auto value =
        significant.size() > 10 ? kHexValueLimit : parseDecimalText(significant).value_or(0);
    if (value >= kHexValueLimit) return {std::string(AutoIncrement::kHexValueTooBig), {}, {}};
    if (value >> (8 * length) != 0) return {std::string(AutoIncrement::kValueTooLarge), {}, {}};
    for (std::int64_t k = 0; k < length; ++k) {
      encoding.bytes[static_cast<std::size_t>(length - 1 - k)] =
          static_cast<std::uint8_t>(value >> (8 * k));
    }
  }
  if (static_cast<std::int64_t>(significant.size()) > width) {
    return {std::string(AutoIncrement::kValueTooLarge), {}, {}};
  }
  encoding.digits = std::string(static_cast<std::size_t>(width) - significant.size(), '0');
  encoding.digits += significant;
  const std::string& d = encoding.digits;
  for (std::size_t i = 0; i < encoding.bytes.size(); ++i) {
    if (format == SerialFormat::Decimal) {
      encoding.bytes[i] = static_cast<std::uint8_t>((d[2 * i] - '0') << 4 | (d[2 * i + 1] - '0'));
    } else if (format == SerialFormat::Ascii) {
      encoding.bytes[i] = static_cast<std::uint8_t>(d[i]);
    }
  }
  return encoding;
}

AutoIncrement::AutoIncrement(ImageBuffer& image, const SelectedModel& model,
                             SettingsStore& settings, Host& host, HexView* view)
    : image_(image), model_(model), settings_(settings), host_(host), view_(view) {}

void AutoIncrement::load() {
  const std::string section(kSection);
  const AutoIncrementInputs defaults;
  inputs_.address = settings_.value(section, "address", defaults.address);
  inputs_.length = settings_.value(section, "Length", defaults.length);
  inputs_.nextValue = settings_.value(section, "next_value", defaults.nextValue);
  inputs_.increment = settings_.value(section, "Increase", defaults.increment);
  const auto format = parseDecimalText(settings_.value(section, "numeral_system", "1"));
  inputs_.format = format && *format <= 2 ? static_cast<SerialFormat>(*format) : SerialFormat::Hex;
  disarm();
}

void AutoIncrement::save() const {
  const std::string section(kSection);
  settings_.setValue(section, "address", inputs_.address);
  settings_.setValue(section, "Length", inputs_.length);
  settings_.setValue(section, "next_value", inputs_.nextValue);
  settings_.setValue(section, "Increase", inputs_.increment);
  settings_.setValue(section, "numeral_system", std::to_string(static_cast<int>(inputs_.format)));
}

void AutoIncrement::setAddressText(std::string text) {
  inputs_.address = std::move(text);
  disarm();
}

void AutoIncrement::setLengthText(std::string text) {
  inputs_.length = std::move(text);
  disarm();
}

void AutoIncrement::setNextValueText(std::string text) {
  inputs_.nextValue = std::move(text);
  disarm();
}

void AutoIncrement::setIncrementText(std::string text) {
  inputs_.increment = std::move(text);
  disarm();
}

void AutoIncrement::setFormat(SerialFormat format) {
  inputs_.format = format;
  disarm();
}

void AutoIncrement::disarm() {
  armed_ = false;
  if (view_) view_->setHighlightField(std::nullopt);
}

std::optional<ImageBuffer::Field> AutoIncrement::armedField() const {
  if (!armed_) return std::nullopt;
  return field_;
}

bool AutoIncrement::refuse(std::string_view message) {
  host_.messageBox(std::string(message), {}, MessageButtons::Ok);
  return false;
}

bool AutoIncrement::check() {
  disarm();
  const auto length = parseDecimalText(inputs_.length);
  if (!length || *length <= 0) return refuse(kLengthInvalid);
  const auto address = parseHexText(inputs_.address);
  if (!address) return refuse(kAddressNotHex);
  const std::int64_t top =
      model_.mapKind == MapKind::TopOfModel ? model_.writableTop : model_.apLast;
  if (*address > top || !ImageBuffer::contains(static_cast<std::int32_t>(*address))) {
    return refuse(kAddressTooBig);
  }
  if (*address + 1 - *length < 0) return refuse(kAddressTooSmall);
  const SerialEncoding encoding = encodeSerial(inputs_.nextValue, *length, inputs_.format);
  if (!encoding.ok()) return refuse(encoding.refusal);
  if (!parseIncrement(inputs_.increment)) return refuse(kIncrementInvalid);

  inputs_.nextValue = encoding.digits;
  field_ = {static_cast<std::int32_t>(*address), static_cast<std::int32_t>(*length)};
  armed_ = true;
  return true;
}

bool AutoIncrement::write() {
  if (!armed_) return false;
  const SerialEncoding encoding = encodeSerial(inputs_.nextValue, field_.length, inputs_.format);
  if (!encoding.ok()) return refuse(encoding.refusal);
  const std::int32_t first = field_.address - field_.length + 1;
  for (std::size_t i = 0; i < encoding.bytes.size(); ++i) {
    image_.set(first + static_cast<std::int32_t>(i), encoding.bytes[i]);
  }
  return true;
}

void AutoIncrement::showField() {
  if (view_) view_->setHighlightField(field_);
  image_.mergeRange(field_);
  if (!view_) return;
  view_->fitToRange();
  view_->setScrollValue((field_.address - image_.rangeLow) / 16 - 3);
}

bool AutoIncrement::onToggle(bool ticked) {
  ticked_ = ticked;
  disarm();
  if (!ticked) return true;
  if (!check()) return false;
  save();
  if (!write()) {
    disarm();
    return false;
  }
  showField();
  return true;
}

bool AutoIncrement::advance() {
  if (!ticked_ || !armed_) return true;
  const auto increment = parseIncrement(inputs_.increment);
  if (!increment) {
    disarm();
    return refuse(kIncrementInvalid);
  }
  const std::string current(trimmed(inputs_.nextValue));
  std::string next;
  if (!increment->negative) {
    next = addDigits(current, increment->digits);
  } else if (!digitsLess(current, increment->digits)) {
    next = subtractDigits(current, increment->digits);
  } else {
    next = "-" + subtractDigits(increment->digits, current);
  }
  const SerialEncoding encoding = encodeSerial(next, field_.length, inputs_.format);
  if (!encoding.ok()) {
    // Keep the number that does not fit, so that no later tick can stamp a used one again.
    inputs_.nextValue = next;
    save();
    disarm();
    return refuse(kAdvanceOverflow);
  }
  inputs_.nextValue = encoding.digits;
  write();
  if (view_) view_->scrollView();
  save();
  return true;
}

}  // namespace qrk

#include "ops/success_counter.h"

#include <limits>

namespace qrk {

SuccessCounter::SuccessCounter(SettingsStore& settings) : settings_(settings) {}

void SuccessCounter::load() {
  text_ = settings_.value(kSection, kKey, "0");
  storedText_ = text_;
}

std::uint64_t SuccessCounter::value() const { return valueOf(text_); }

std::uint64_t SuccessCounter::valueOf(const std::string& text) {
  constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
  std::size_t i = text.find_first_not_of(' ');
  std::uint64_t n = 0;
  for (; i != std::string::npos && i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    const auto digit = static_cast<std::uint64_t>(text[i] - '0');
    if (n > (kMax - digit) / 10) return kMax;  // a typed monster saturates, never wraps
    n = n * 10 + digit;
  }
  return n;
}

void SuccessCounter::increment() {
  // Counted on from the store, where runs on other ports add theirs, unless
  // the count was typed here since it was last read or stored.
  const bool typedHere = text_ != storedText_;
  text_ = settings_.update(kSection, kKey, text_, [&](const std::string& stored) {
    const std::string& base = typedHere ? text_ : stored;
    const std::uint64_t n = valueOf(base);
    return n == std::numeric_limits<std::uint64_t>::max() ? base : std::to_string(n + 1);
  });
  storedText_ = text_;
}

bool SuccessCounter::clear(Host& host) {
  bool cleared = false;
  if (value() > 0 &&
      host.messageBox(kClearQuestion, "", MessageButtons::YesNo) == MessageAnswer::Yes) {
    text_.assign(1, '0');  // not = "0": GCC 12 misreads that as an overlapping copy
    cleared = true;
  }
  store();
  return cleared;
}

void SuccessCounter::store() {
  settings_.setValue(kSection, kKey, text_);
  storedText_ = text_;
}

}  // namespace qrk

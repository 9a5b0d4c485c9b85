#include "ops/success_counter.h"

#include <limits>

namespace qrk {

SuccessCounter::SuccessCounter(SettingsStore& settings) : settings_(settings) {}

void SuccessCounter::load() { text_ = settings_.value(kSection, kKey, "0"); }

std::uint64_t SuccessCounter::value() const {
  constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
  std::size_t i = text_.find_first_not_of(' ');
  std::uint64_t n = 0;
  for (; i != std::string::npos && i < text_.size() && text_[i] >= '0' && text_[i] <= '9'; ++i) {
    const auto digit = static_cast<std::uint64_t>(text_[i] - '0');
    if (n > (kMax - digit) / 10) return kMax;  // a typed monster saturates, never wraps
    n = n * 10 + digit;
  }
  return n;
}

void SuccessCounter::increment() {
  const std::uint64_t n = value();
  if (n != std::numeric_limits<std::uint64_t>::max()) text_ = std::to_string(n + 1);
  store();
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

void SuccessCounter::store() { settings_.setValue(kSection, kKey, text_); }

}  // namespace qrk

#include "ops/saved_choices.h"

#include <string>

#include "image/image_buffer.h"
#include "image/number_text.h"

namespace qrk {

namespace {

// 65535 is far beyond every list, and still a 16-bit position.
constexpr std::int64_t kPositions = 65536;

}  // namespace

std::optional<int> savedPosition(const SettingsStore& store, const char* key) {
  const std::optional<std::int64_t> n = parseDecimalText(store.value(saved::kSection, key, "0"));
  if (!n || *n >= kPositions) return std::nullopt;
  return static_cast<int>(*n);
}

std::uint8_t savedFillByte(const SettingsStore& store) {
  return fillByteFromSetting(
      store.value(saved::kSection, saved::kFillByte, std::string(kDefaultFillByteSetting)));
}

void saveFillByte(SettingsStore& store, std::uint8_t fillByte) {
  store.setValue(saved::kSection, saved::kFillByte, fillByte == 0xFF ? "FF" : "00");
}

}  // namespace qrk

#include "ops/production_settings.h"

#include <charconv>
#include <string>

namespace qrk {

namespace {

bool validIndex(int index) {
  return index >= 0 && index < static_cast<int>(ProductionSettings::kDelayEntries.size());
}

}  // namespace

int ProductionSettings::delaySeconds() const {
  const int index = validIndex(delayIndex) ? delayIndex : kDefaultDelayIndex;
  return 9 - index;
}

bool ProductionSettings::setDelaySeconds(int seconds) {
  const int index = 9 - seconds;
  if (!validIndex(index)) return false;
  delayIndex = index;
  return true;
}

void ProductionSettings::load(const SettingsStore& settings) {
  beepOnSuccess = settings.value(kSection, "BeepYesNo", "True") == "True";
  skipBlank = settings.value(kSection, "SkipBlank", "False") == "True";
  const std::string text = settings.value(kSection, "Dalay_ReDownLoad", "4");
  int index = kDefaultDelayIndex;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), index);
  delayIndex = (ec == std::errc() && end == text.data() + text.size() && validIndex(index))
                   ? index
                   : kDefaultDelayIndex;
}

void ProductionSettings::save(SettingsStore& settings) const {
  settings.setValue(kSection, "BeepYesNo", beepOnSuccess ? "True" : "False");
  settings.setValue(kSection, "Dalay_ReDownLoad", std::to_string(delayIndex));
  settings.setValue(kSection, "SkipBlank", skipBlank ? "True" : "False");
}

}  // namespace qrk

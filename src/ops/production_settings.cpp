#include "ops/production_settings.h"

#include <optional>
#include <string>

#include "image/number_text.h"

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
  const std::optional<std::int64_t> index = parseDigits(text, 10, 9);
  delayIndex = index && validIndex(static_cast<int>(*index)) ? static_cast<int>(*index)
                                                              : kDefaultDelayIndex;
}

void ProductionSettings::save(SettingsStore& settings) const {
  settings.setValue(kSection, "BeepYesNo", beepOnSuccess ? "True" : "False");
  settings.setValue(kSection, "Dalay_ReDownLoad", std::to_string(delayIndex));
  settings.setValue(kSection, "SkipBlank", skipBlank ? "True" : "False");
}

}  // namespace qrk

#include "qt/run_settings.h"

namespace qrk {

std::string RunSettings::value(const std::string& section, const std::string& key,
                               const std::string& defaultValue) const {
  auto it = chosen_.find({section, key});
  if (it != chosen_.end()) return it->second;
  return saved_.value(section, key, defaultValue);
}

void RunSettings::setValue(const std::string& section, const std::string& key,
                           const std::string& value) {
  // A value no store could hold tells "absent" from "saved as the default".
  static const std::string kAbsent("\x1f(absent)\x1f");
  const std::string current = this->value(section, key, kAbsent);
  chosen_[{section, key}] = value;
  if (persisting_ && current != value) saved_.setValue(section, key, value);
}

std::string RunSettings::update(const std::string& section, const std::string& key,
                                const std::string& defaultValue,
                                const std::function<std::string(const std::string&)>& change) {
  if (!persisting_) return SettingsStore::update(section, key, defaultValue, change);
  std::string changed = saved_.update(section, key, value(section, key, defaultValue), change);
  chosen_[{section, key}] = changed;
  return changed;
}

}  // namespace qrk

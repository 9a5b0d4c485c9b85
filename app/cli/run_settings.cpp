#include "run_settings.h"

namespace qrkcli {

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

}  // namespace qrkcli

#include "run_settings.h"

#include <QTextStream>

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

CliSettings::CliSettings(const QString& iniPath)
    : saved_(iniPath.isEmpty() ? std::make_unique<qrk::QtSettingsStore>()
                               : std::make_unique<qrk::QtSettingsStore>(iniPath.toStdString())),
      runSettings_(*saved_),
      active_(iniPath.isEmpty() ? static_cast<qrk::SettingsStore*>(&runSettings_) : saved_.get()) {}

bool CliSettings::sync(const QString& command) {
  std::string error;
  if (saved_->sync(&error)) return true;
  QTextStream(stderr) << command << ": settings not saved: " << QString::fromStdString(error)
                      << "\n";
  return false;
}

}  // namespace qrkcli

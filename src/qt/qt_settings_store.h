#pragma once

#include <QSettings>
#include <memory>
#include <string>

#include "platform/settings_store.h"

namespace qrk {

// Settings over QSettings: section/key become group/key. Either the per-user
// native store of the application "QRK Programmer" (the window's own
// settings) or an INI file a user names; a missing file reads as defaults and
// is created on the first write.
class QtSettingsStore : public SettingsStore {
 public:
  static constexpr const char* kApplicationName = "QRK Programmer";

  // The per-user store.
  QtSettingsStore();
  // The INI file at `iniPath`.
  explicit QtSettingsStore(const std::string& iniPath);

  std::string value(const std::string& section, const std::string& key,
                    const std::string& defaultValue) const override;
  void setValue(const std::string& section, const std::string& key,
                const std::string& value) override;
  // Under a lock file beside the store, and written out at once.
  std::string update(const std::string& section, const std::string& key,
                     const std::string& defaultValue,
                     const std::function<std::string(const std::string&)>& change) override;

  // Writes pending changes out; false, with a reason, when that failed.
  bool sync(std::string* error = nullptr);
  std::string location() const;

 private:
  // The value as the file holds it now, whatever QSettings has cached.
  std::string storedValue(const std::string& section, const std::string& key,
                          const std::string& defaultValue) const;

  std::unique_ptr<QSettings> settings_;
};

}  // namespace qrk

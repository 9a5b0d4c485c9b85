#pragma once

#include <map>
#include <string>
#include <utility>

#include "platform/settings_store.h"
#include "ui/window_settings.h"

namespace qrk::test {

// A settings store whose whole content can be compared.
class ListingStore : public SettingsStore {
 public:
  using Values = std::map<std::pair<std::string, std::string>, std::string>;

  std::string value(const std::string& section, const std::string& key,
                    const std::string& defaultValue) const override {
    const auto it = values.find({section, key});
    return it == values.end() ? defaultValue : it->second;
  }
  void setValue(const std::string& section, const std::string& key,
                const std::string& value) override {
    values[{section, key}] = value;
  }
  std::string at(const std::string& key) const { return value("Settings", key, "<missing>"); }

  Values values;
};

// What saveWindowSettings writes for `settings`.
inline ListingStore::Values saved(const WindowSettings& settings) {
  ListingStore store;
  saveWindowSettings(store, settings);
  return store.values;
}

}  // namespace qrk::test

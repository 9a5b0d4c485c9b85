#pragma once

#include <map>
#include <string>
#include <utility>

namespace qrk {

// Per-user settings of the application "QRK Programmer": text values under a
// section and a key. A missing key reads as the given default.
class SettingsStore {
 public:
  virtual ~SettingsStore() = default;
  virtual std::string value(const std::string& section, const std::string& key,
                            const std::string& defaultValue) const = 0;
  virtual void setValue(const std::string& section, const std::string& key,
                        const std::string& value) = 0;
};

// Keeps the settings in memory; what tests and throw-away runs use.
class MemorySettingsStore : public SettingsStore {
 public:
  std::string value(const std::string& section, const std::string& key,
                    const std::string& defaultValue) const override {
    auto it = values_.find({section, key});
    return it == values_.end() ? defaultValue : it->second;
  }
  void setValue(const std::string& section, const std::string& key,
                const std::string& value) override {
    values_[{section, key}] = value;
  }
  bool contains(const std::string& section, const std::string& key) const {
    return values_.count({section, key}) != 0;
  }

 private:
  std::map<std::pair<std::string, std::string>, std::string> values_;
};

}  // namespace qrk

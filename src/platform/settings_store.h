#pragma once

#include <functional>
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

  // Replaces a value with `change` of it as stored now and returns the new
  // value. A store that other processes share reads their latest write and
  // holds them off until this one is stored, so no change of theirs is lost.
  virtual std::string update(const std::string& section, const std::string& key,
                             const std::string& defaultValue,
                             const std::function<std::string(const std::string&)>& change) {
    std::string changed = change(value(section, key, defaultValue));
    setValue(section, key, changed);
    return changed;
  }
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

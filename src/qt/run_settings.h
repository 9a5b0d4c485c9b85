#pragma once

#include <functional>
#include <map>
#include <string>
#include <utility>

#include "platform/settings_store.h"

namespace qrk {

// The GUI's saved settings as a command-line run sees them: everything reads
// through, but what the command line itself chooses (model, ISP space,
// options) stays in memory, so that a scripted run never changes the window's
// choices. Once persisting is switched on (the run proper), a write that
// changes a value reaches the store: the counters and serial number a run
// advances.
class RunSettings : public SettingsStore {
 public:
  explicit RunSettings(SettingsStore& saved) : saved_(saved) {}

  // What this run chose, else what the store holds.
  std::string value(const std::string& section, const std::string& key,
                    const std::string& defaultValue) const override;
  // Kept for this run; once persisting, also saved when the value changes.
  void setValue(const std::string& section, const std::string& key,
                const std::string& value) override;
  // Once persisting, on the saved store itself, so that runs on other ports
  // sharing it keep their changes (the count of good chips).
  std::string update(const std::string& section, const std::string& key,
                     const std::string& defaultValue,
                     const std::function<std::string(const std::string&)>& change) override;

  void setPersisting(bool persisting) { persisting_ = persisting; }

 private:
  SettingsStore& saved_;
  std::map<std::pair<std::string, std::string>, std::string> chosen_;
  bool persisting_ = false;
};

}  // namespace qrk

#pragma once

#include <map>
#include <string>
#include <utility>

#include "platform/settings_store.h"

namespace qrkcli {

// The GUI's saved settings as a command-line run sees them: everything reads
// through, but what the command line itself chooses (model, ISP space,
// options) stays in memory, so that a scripted run never changes the window's
// choices. Once persisting is switched on (the run proper), a write that
// changes a value reaches the store: the counters and serial number a run
// advances.
class RunSettings : public qrk::SettingsStore {
 public:
  explicit RunSettings(qrk::SettingsStore& saved) : saved_(saved) {}

  std::string value(const std::string& section, const std::string& key,
                    const std::string& defaultValue) const override;
  void setValue(const std::string& section, const std::string& key,
                const std::string& value) override;

  void setPersisting(bool persisting) { persisting_ = persisting; }

 private:
  qrk::SettingsStore& saved_;
  std::map<std::pair<std::string, std::string>, std::string> chosen_;
  bool persisting_ = false;
};

}  // namespace qrkcli

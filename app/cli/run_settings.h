#pragma once

#include <QString>
#include <map>
#include <memory>
#include <string>
#include <utility>

#include "platform/qt/qt_settings_store.h"
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
  // Once persisting, on the saved store itself, so that runs on other ports
  // sharing it keep their changes (the count of good chips).
  std::string update(const std::string& section, const std::string& key,
                     const std::string& defaultValue,
                     const std::function<std::string(const std::string&)>& change) override;

  void setPersisting(bool persisting) { persisting_ = persisting; }

 private:
  qrk::SettingsStore& saved_;
  std::map<std::pair<std::string, std::string>, std::string> chosen_;
  bool persisting_ = false;
};

// The settings store of a command-line run: the INI file of --settings or
// (`iniPath` empty) the window's saved settings, seen through RunSettings, so
// that either keeps its choices and gets only what a run advances.
class CliSettings {
 public:
  explicit CliSettings(const QString& iniPath);

  qrk::SettingsStore& store() { return *active_; }
  // The run proper begins: from now on what it changes is saved.
  void startPersisting() { runSettings_.setPersisting(true); }
  // Writes what was saved to disk; on failure says so on stderr, prefixed by
  // `command`, and returns false.
  bool sync(const QString& command);

 private:
  std::unique_ptr<qrk::QtSettingsStore> saved_;
  RunSettings runSettings_;
  qrk::SettingsStore* active_;
};

}  // namespace qrkcli

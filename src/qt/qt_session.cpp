#include "qt/qt_session.h"

namespace qrk {

namespace {

std::unique_ptr<QtSettingsStore> openStore(const std::string& iniPath, QtSession::Keep keep) {
  if (keep == QtSession::Keep::Nothing) return nullptr;
  return iniPath.empty() ? std::make_unique<QtSettingsStore>()
                         : std::make_unique<QtSettingsStore>(iniPath);
}

SettingsStore& activeStore(QtSettingsStore* saved, MemorySettingsStore& defaults,
                           RunSettings& runSettings, QtSession::Keep keep) {
  if (!saved) return defaults;
  // An INI file of its own keeps a line's choices as the window's store
  // does: a run's --model or --serial-address is for that run only.
  if (keep == QtSession::Keep::RunCounters) return runSettings;
  return *saved;
}

}  // namespace

QtSession::QtSession(const std::string& iniPath, Keep keep, Host& host)
    : saved_(openStore(iniPath, keep)),
      runSettings_(saved_ ? static_cast<SettingsStore&>(*saved_) : defaults_),
      programmer_(port_, loop_, activeStore(saved_.get(), defaults_, runSettings_, keep), host),
      productionLoop_(programmer_) {
  programmer_.loadSettings();
  programmer_.supply().setCommandRunner(&commands_);
  programmer_.startGate().setCommandRunner(&commands_);
}

bool QtSession::syncSettings(std::string* error) { return !saved_ || saved_->sync(error); }

}  // namespace qrk

#include "ops/fixture_settings.h"

#include <string>

namespace qrk {

void FixtureSettings::load(const SettingsStore& settings) {
  supply =
      supplySwitchNamed(settings.value(kSection, "FixtureSupply", "none")).value_or(SupplySwitch{});
  supply.onCommand = settings.value(kSection, "FixturePowerOnCmd", "");
  supply.offCommand = settings.value(kSection, "FixturePowerOffCmd", "");
  start = startSignalNamed(settings.value(kSection, "FixtureStart", "countdown"))
              .value_or(StartSignal{});
  // The window has no terminal to press a key on and no start command.
  if (start.kind != StartSignal::Kind::Line) start = StartSignal{};
}

void FixtureSettings::save(SettingsStore& settings) const {
  settings.setValue(kSection, "FixtureSupply", supply.name());
  settings.setValue(kSection, "FixturePowerOnCmd", supply.onCommand);
  settings.setValue(kSection, "FixturePowerOffCmd", supply.offCommand);
  settings.setValue(kSection, "FixtureStart", start.name());
}

}  // namespace qrk

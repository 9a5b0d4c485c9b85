#include "ui/window_settings.h"

#include <optional>
#include <string_view>

#include "image/number_text.h"
#include "ops/saved_choices.h"
#include "ops/success_counter.h"
#include "platform/text.h"
#include "ui/port_list.h"

namespace qrk {

namespace {

constexpr const char* kSection = WindowSettings::kSection;

// A list position as stored: the decimal text of a 16-bit number. Anything
// else, or a position at or beyond `count` entries, is no position.
std::optional<int> storedPosition(const SettingsStore& store, const char* key, int count) {
  const std::optional<std::int64_t> n = parseDecimalText(store.value(kSection, key, ""));
  if (!n || *n >= count) return std::nullopt;
  return static_cast<int>(*n);
}

int positionOr(const SettingsStore& store, const char* key, int count, int fallback) {
  return storedPosition(store, key, count).value_or(fallback);
}

// "True" selects the first button of a pair; any other stored text the
// second, as the window has always read these keys.
bool storedFlag(const SettingsStore& store, const char* key, bool fallback) {
  return store.value(kSection, key, fallback ? "True" : "False") == "True";
}

// An editable list keeps the typed text; a store without it has the position.
template <std::size_t N>
std::string storedText(const SettingsStore& store, const char* textKey, const char* positionKey,
                       const std::array<std::string_view, N>& entries, int defaultPosition) {
  const std::string typed(trimmed(store.value(kSection, textKey, "")));
  if (!typed.empty()) return typed;
  return std::string(entries[static_cast<std::size_t>(
      positionOr(store, positionKey, static_cast<int>(N), defaultPosition))]);
}

const char* flagText(bool flag) { return flag ? "True" : "False"; }

void put(SettingsStore& store, const char* key, const std::string& value) {
  store.setValue(kSection, key, value);
}

void putPosition(SettingsStore& store, const char* key, int position) {
  put(store, key, std::to_string(position));
}

}  // namespace

WindowSettings loadWindowSettings(const SettingsStore& store) {
  WindowSettings s;
  s.modelIndex = savedPosition(store, saved::kModelPosition).value_or(0);
  s.modelName = std::string(trimmed(store.value(kSection, "DeviceProductsName", "")));
  s.ispSpaceIndex = savedPosition(store, saved::kIspSpacePosition).value_or(0);
  s.filePath = store.value(kSection, "FilePath", "");
  s.fillByte = savedFillByte(store);
  s.portIndex = positionOr(store, "COM_port", PortList::kComEntries, 0);
  s.portPath = std::string(trimmed(store.value(kSection, "COM_port_path", "")));
  s.baudIndex = positionOr(store, "Baud", 1, 0);
  s.production.load(store);

  IspDemoChoices& d = s.ispDemo;
  d.crystalText =
      storedText(store, "ISP_DEMO_oscillate_frequency_text", "ISP_DEMO_oscillate_frequency",
                 IspDemoChoices::kCrystalEntries, IspDemoChoices::kDefaultCrystalIndex);
  d.baudText = storedText(store, "ISP_DEMO_ISP_buad_text", "ISP_DEMO_ISP_buad",
                          IspDemoChoices::kBaudEntries, IspDemoChoices::kDefaultBaudIndex);
  d.parityYes = storedFlag(store, "ISP_DEMO_parity", true);
  d.eraseDataYes = storedFlag(store, "ISP_DEMO_erase_data", true);
  d.noWatchdog = storedFlag(store, "ISP_DEMO_WDT", true);
  constexpr int kPorts = static_cast<int>(IspDemoChoices::kPortEntries.size());
  constexpr int kBits = static_cast<int>(IspDemoChoices::kBitEntries.size());
  d.watchdogPort = positionOr(store, "ISP_DEMO_WDT_port", kPorts, 1);
  d.watchdogBit = positionOr(store, "ISP_DEMO_WDT_port_bit", kBits, 0);
  d.no485Pin = storedFlag(store, "ISP_DEMO_have_485_pin", true);
  d.rs485Port = positionOr(store, "ISP_DEMO_485_port", kPorts, 1);
  d.rs485Bit = positionOr(store, "ISP_DEMO_485_port_bit", kBits, 1);
  d.rs485Logic = storedFlag(store, "ISP_DEMO_485_logic", true) ? 0 : 1;

  s.okCountText = store.value(SuccessCounter::kSection, SuccessCounter::kKey, "0");
  s.reloadBeforeRun = storedFlag(store, "ReloadFile", false);
  s.clearBuffer = storedFlag(store, "ClearBuffer", false);
  s.fixture.load(store);
  return s;
}

void saveWindowSettings(SettingsStore& store, const WindowSettings& s) {
  putPosition(store, saved::kModelPosition, s.modelIndex);
  putPosition(store, saved::kIspSpacePosition, s.ispSpaceIndex);
  putPosition(store, "combCommPort", s.portIndex);
  putPosition(store, "Baud", s.baudIndex);
  saveFillByte(store, s.fillByte);
  putPosition(store, "COM_port", s.portIndex);
  s.production.save(store);

  const IspDemoChoices& d = s.ispDemo;
  putPosition(store, "ISP_DEMO_oscillate_frequency", d.crystalIndex());
  putPosition(store, "ISP_DEMO_ISP_buad", d.baudIndex());
  put(store, "ISP_DEMO_parity", flagText(d.parityYes));
  put(store, "ISP_DEMO_erase_data", flagText(d.eraseDataYes));
  put(store, "ISP_DEMO_WDT", flagText(d.noWatchdog));
  putPosition(store, "ISP_DEMO_WDT_port", d.watchdogPort);
  putPosition(store, "ISP_DEMO_WDT_port_bit", d.watchdogBit);
  put(store, "ISP_DEMO_have_485_pin", flagText(d.no485Pin));
  putPosition(store, "ISP_DEMO_485_port", d.rs485Port);
  putPosition(store, "ISP_DEMO_485_port_bit", d.rs485Bit);
  put(store, SuccessCounter::kKey, s.okCountText);

  put(store, "DeviceProductsName", s.modelName);
  put(store, "COM_port_path", s.portPath);
  put(store, "ISP_DEMO_oscillate_frequency_text", d.crystalText);
  put(store, "ISP_DEMO_ISP_buad_text", d.baudText);
  put(store, "ISP_DEMO_485_logic", flagText(d.rs485Logic == 0));
  put(store, "ReloadFile", flagText(s.reloadBeforeRun));
  put(store, "ClearBuffer", flagText(s.clearBuffer));
  s.fixture.save(store);
  if (!s.filePath.empty()) put(store, "FilePath", s.filePath);
}

}  // namespace qrk

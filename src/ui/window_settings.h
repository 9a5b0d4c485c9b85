#pragma once

#include <cstdint>
#include <string>

#include "ops/fixture_settings.h"
#include "ops/production_settings.h"
#include "ops/saved_choices.h"
#include "platform/settings_store.h"
#include "ui/isp_demo_choices.h"

namespace qrk {

// Every value of section "Settings" the window saves in one go, as stored:
// list positions as positions, texts as texts. The function list, the
// auto-increment inputs and the counter's own writes keep their owners'
// keys; this is the settings timer's share.
//
// Besides the long-standing keys a few are ours, each beside the key an
// older store still carries, so that such a store loads as it always did:
//   "DeviceProductsName"                 the model's name (kind-0 models have no list position)
//   "COM_port_path"                      a device path typed into the port list
//   "ISP_DEMO_oscillate_frequency_text"  the crystal as typed
//   "ISP_DEMO_ISP_buad_text"             the ISP DEMO baud rate as typed
//   "ISP_DEMO_485_logic"                 the RS-485 direction level
//   "ReloadFile", "ClearBuffer"          the two check boxes of the file frame and option page
//   "SkipBlank"                          the option page's box for leaving out blank blocks
//   "Fixture..."                         the option page's supply switch and start signal
struct WindowSettings {
  static constexpr const char* kSection = saved::kSection;

  int modelIndex = 0;     // "DeviceProducts": position in the model list
  std::string modelName;  // "DeviceProductsName": wins over the position when it names a model
  int ispSpaceIndex = 0;  // "ISP_Space": checked against the model's list when applied
  std::string filePath;   // "FilePath": empty means the program's own folder
  std::uint8_t fillByte = 0x00;   // "fillbyte": "FF" or "00"
  int portIndex = 0;              // "COM_port" (and "combCommPort"): COM1 .. COM8 as 0 .. 7
  std::string portPath;           // "COM_port_path": the typed device path, the choice when set
  int baudIndex = 0;              // "Baud": the one entry "115200"
  ProductionSettings production;  // "BeepYesNo", "Dalay_ReDownLoad", "SkipBlank"
  IspDemoChoices ispDemo;         // the "ISP_DEMO_..." keys
  std::string okCountText = "0";  // "Write_OK_Count": the counter's text
  bool reloadBeforeRun = false;   // "ReloadFile": `cekReloadFile`
  bool clearBuffer = false;       // "ClearBuffer": `Check6`
  FixtureSettings fixture;        // "FixtureSupply", "FixtureStart" and the commands
};

// Reads every key. A missing value, or one that is damaged (not a number, a
// position outside its list), reads as the default; nothing is reported, a
// settings file is not worth an error box.
WindowSettings loadWindowSettings(const SettingsStore& store);

// Writes every key, in the order the window has always written them, the
// new keys after the old ones.
void saveWindowSettings(SettingsStore& store, const WindowSettings& settings);

}  // namespace qrk

// The stored form of the window's settings: what each key holds, what an
// older store and a damaged one read as.
#include <gtest/gtest.h>

#include "ui/window_bench.h"

namespace qrk {
namespace {

using test::ListingStore;
using test::saved;

// A value other than the first-start one in every field that has a choice.
WindowSettings unusualSettings() {
  WindowSettings s;
  s.modelIndex = 12;
  s.modelName = "QRK3-08F";
  s.ispSpaceIndex = 7;
  s.filePath = "/home/line 3/固件/app=v2.hex";
  s.fillByte = 0xFF;
  s.portIndex = 5;
  s.portPath = "/dev/pts/7";
  s.production.beepOnSuccess = false;
  s.production.delayIndex = 7;
  s.production.skipBlank = true;
  s.ispDemo = test::unusualDemoPage();
  s.ispDemo.crystalText = "7.3728";  // typed, not an entry
  s.okCountText = "1234";
  s.reloadBeforeRun = true;
  s.clearBuffer = true;
  s.fixture.supply = *supplySwitchNamed("cmd");
  s.fixture.supply.onCommand = "relay.sh 3 on";
  s.fixture.supply.offCommand = "relay.sh 3 off";
  s.fixture.start = *startSignalNamed("dcd");
  return s;
}

// Each key is read back into the field it was written from: every key but
// the one-entry baud list holds something other than its first-start value,
// so a key that load ignored would come back different.
TEST(WindowSettingsStore, EveryKeyRoundTrips) {
  const auto written = saved(unusualSettings());
  const auto firstStart = saved(WindowSettings{});
  ASSERT_EQ(written.size(), firstStart.size() + 1);  // FilePath only once there is one
  for (const auto& [key, text] : written) {
    if (key.second == "Baud") continue;
    EXPECT_NE(firstStart.count(key) ? firstStart.at(key) : "", text) << key.second;
  }
  ListingStore store;
  store.values = written;
  EXPECT_EQ(saved(loadWindowSettings(store)), written);
}

// The first-start choices in the form the store has always held them.
TEST(WindowSettingsStore, FirstStartValuesInTheirStoredForm) {
  ListingStore store;
  saveWindowSettings(store, loadWindowSettings(ListingStore{}));
  for (const auto& [key, text] :
       {std::pair{"DeviceProducts", "0"},
        {"combCommPort", "0"},
        {"COM_port", "0"},
        {"Baud", "0"},
        {"fillbyte", "00"},
        {"BeepYesNo", "True"},
        {"Dalay_ReDownLoad", "4"},
        {"ISP_DEMO_oscillate_frequency", "3"},
        {"ISP_DEMO_ISP_buad", "6"},
        {"ISP_DEMO_parity", "True"},
        {"ISP_DEMO_erase_data", "True"},
        {"ISP_DEMO_WDT", "True"},
        {"ISP_DEMO_WDT_port", "1"},
        {"ISP_DEMO_WDT_port_bit", "0"},
        {"ISP_DEMO_have_485_pin", "True"},
        {"ISP_DEMO_485_port", "1"},
        {"ISP_DEMO_485_port_bit", "1"},
        {"Write_OK_Count", "0"},
        {"FilePath", "<missing>"}}) {  // the window's own folder stands in
    EXPECT_EQ(store.at(key), text) << key;
  }
}

// A store written before the texts had keys of their own still loads: the
// list positions name the entries, and a typed text wins once it is stored.
TEST(WindowSettingsStore, AnOlderStoreLoadsByPosition) {
  ListingStore store;
  store.setValue("Settings", "ISP_DEMO_oscillate_frequency", "7");
  store.setValue("Settings", "ISP_DEMO_ISP_buad", "2");
  store.setValue("Settings", "ISP_DEMO_WDT_port_bit", "5");
  store.setValue("Settings", "ISP_DEMO_485_port_bit", "0");
  WindowSettings s = loadWindowSettings(store);
  EXPECT_EQ(s.ispDemo.crystalText, "22.1184");
  EXPECT_EQ(s.ispDemo.baudText, "9600");
  EXPECT_EQ(s.ispDemo.watchdogBit, 5);
  EXPECT_EQ(s.ispDemo.rs485Bit, 0);
  EXPECT_EQ(s.ispDemo.rs485Logic, 0);

  store.setValue("Settings", "ISP_DEMO_oscillate_frequency_text", " 7.3728 ");
  s = loadWindowSettings(store);
  EXPECT_EQ(s.ispDemo.crystalText, "7.3728");
  EXPECT_EQ(s.ispDemo.crystalIndex(), -1);
  EXPECT_EQ(s.ispDemo.baudText, "9600");
}

// A hand-edited or half-written store: a position that is no number, is
// negative, is beyond any list or is empty reads as the first-start value,
// without a word to the user.
TEST(WindowSettingsStore, DamagedPositionsReadAsFirstStartValues) {
  const auto firstStart = saved(WindowSettings{});
  for (const char* key : {"DeviceProducts", "ISP_Space", "COM_port", "Baud", "Dalay_ReDownLoad",
                          "ISP_DEMO_oscillate_frequency", "ISP_DEMO_ISP_buad", "ISP_DEMO_WDT_port",
                          "ISP_DEMO_WDT_port_bit", "ISP_DEMO_485_port", "ISP_DEMO_485_port_bit"}) {
    for (const char* bad : {"abc", "-5", "99999", "", "2x", "0x1", "1.5", "\xff\xfe"}) {
      ListingStore store;
      store.setValue("Settings", key, bad);
      EXPECT_EQ(saved(loadWindowSettings(store)), firstStart) << key << " = " << bad;
    }
  }
  // Just past the end of each fixed list.
  for (const auto& [key, past] : {std::pair{"COM_port", "8"},
                                  {"Baud", "1"},
                                  {"Dalay_ReDownLoad", "8"},
                                  {"ISP_DEMO_oscillate_frequency", "12"},
                                  {"ISP_DEMO_ISP_buad", "9"},
                                  {"ISP_DEMO_WDT_port", "5"},
                                  {"ISP_DEMO_485_port_bit", "8"}}) {
    ListingStore store;
    store.setValue("Settings", key, past);
    EXPECT_EQ(saved(loadWindowSettings(store)), firstStart) << key << " = " << past;
  }
}

}  // namespace
}  // namespace qrk

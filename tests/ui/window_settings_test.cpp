// The stored form of the window's settings, and the ISP DEMO page's choices.
#include <gtest/gtest.h>

#include "ispdemo/isp_demo_builder.h"
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

// A hand-edited or half-written store reads as the first start, without a word.
TEST(WindowSettingsStore, DamagedPositionsReadAsFirstStartValues) {
  const auto firstStart = saved(WindowSettings{});
  // Each position key with the first position past the end of its list.
  for (const auto& [key, pastEnd] : {std::pair{"DeviceProducts", "99999"},
                                     {"ISP_Space", "99999"},
                                     {"COM_port", "8"},
                                     {"Baud", "1"},
                                     {"Dalay_ReDownLoad", "8"},
                                     {"ISP_DEMO_oscillate_frequency", "12"},
                                     {"ISP_DEMO_ISP_buad", "9"},
                                     {"ISP_DEMO_WDT_port", "5"},
                                     {"ISP_DEMO_WDT_port_bit", "8"},
                                     {"ISP_DEMO_485_port", "5"},
                                     {"ISP_DEMO_485_port_bit", "8"}}) {
    for (const char* bad : {"abc", "-5", "99999", "", "2x", "0x1", "1.5", "\xff\xfe", pastEnd}) {
      ListingStore store;
      store.setValue("Settings", key, bad);
      EXPECT_EQ(saved(loadWindowSettings(store)), firstStart) << key << " = " << bad;
    }
  }
}

IspDemoBuild builtForKindTwo(const IspDemoSettings& settings) {
  SelectedModel model;
  selectModel(model, "QRK5-16B");
  return patchIspDemo(model, settings);
}

void expectSameBuild(const IspDemoChoices& page, const IspDemoSettings& byHand) {
  const IspDemoBuild fromPage = builtForKindTwo(toIspDemoSettings(page));
  const IspDemoBuild expected = builtForKindTwo(byHand);
  EXPECT_EQ(fromPage.refusal, expected.refusal);
  EXPECT_EQ(fromPage.bytes, expected.bytes);
}

TEST(IspDemoPage, ThePagesChoicesBuildTheFirmwareTheyName) {
  // First start: the page and the command line's defaults are one firmware.
  ASSERT_TRUE(builtForKindTwo({}).bytes.has_value());
  expectSameBuild({}, {});

  IspDemoChoices page = test::unusualDemoPage();
  expectSameBuild(page, {.crystalMhzText = "22.1184",
                         .baudText = "57600",
                         .parity = false,
                         .eraseDataFlash = false,
                         .watchdogPin = true,
                         .watchdogPortText = "P3",
                         .watchdogBitText = "6",
                         .rs485Pin = true,
                         .rs485PortText = "P0",
                         .rs485BitText = "3",
                         .rs485HighReceives = true});

  // A position beyond the port list names no pin and is refused, not built.
  page.watchdogPort = 9;
  EXPECT_FALSE(builtForKindTwo(toIspDemoSettings(page)).bytes.has_value());
}

}  // namespace
}  // namespace qrk

// The ISP DEMO page's choices reach the builder as the user set them.
#include "ui/isp_demo_choices.h"

#include <gtest/gtest.h>

#include "ispdemo/isp_demo_builder.h"

namespace qrk {
namespace {

SelectedModel kindTwoModel() {
  SelectedModel model;
  selectModel(model, "QRK5-16B");
  return model;
}

// An ISP DEMO page with every choice away from its first-start value, one
// that builds: 22.1184 MHz at 57600 baud, no parity, a watchdog on P3.6 and
// the RS-485 direction on P0.3, high level receiving.
inline IspDemoChoices unusualDemoPage() {
  IspDemoChoices page;
  page.crystalText = "22.1184";
  page.baudText = "57600";
  page.parityYes = false;
  page.eraseDataYes = false;
  page.noWatchdog = false;
  page.watchdogPort = 3;
  page.watchdogBit = 6;
  page.no485Pin = false;
  page.rs485Port = 0;
  page.rs485Bit = 3;
  page.rs485Logic = 1;
  return page;
}

// Builds from the page and from settings written out by hand; both must give
// the same firmware, or the same refusal.
void expectSameBuild(const IspDemoChoices& page, const IspDemoSettings& byHand) {
  const IspDemoBuild fromPage = patchIspDemo(kindTwoModel(), toIspDemoSettings(page));
  const IspDemoBuild expected = patchIspDemo(kindTwoModel(), byHand);
  EXPECT_EQ(fromPage.refusal, expected.refusal);
  EXPECT_EQ(fromPage.bytes, expected.bytes);
}

TEST(IspDemoPage, ThePagesChoicesBuildTheFirmwareTheyName) {
  // First start: the page and the command line's defaults are one firmware.
  ASSERT_TRUE(patchIspDemo(kindTwoModel(), IspDemoSettings{}).bytes.has_value());
  expectSameBuild(IspDemoChoices{}, IspDemoSettings{});

  IspDemoChoices page = unusualDemoPage();
  IspDemoSettings byHand;
  byHand.crystalMhzText = "22.1184";
  byHand.baudText = "57600";
  byHand.parity = false;
  byHand.eraseDataFlash = false;
  byHand.watchdogPin = true;
  byHand.watchdogPortText = "P3";
  byHand.watchdogBitText = "6";
  byHand.rs485Pin = true;
  byHand.rs485PortText = "P0";
  byHand.rs485BitText = "3";
  byHand.rs485HighReceives = true;
  expectSameBuild(page, byHand);

  // A position beyond the port list names no pin and is refused, not built.
  page.watchdogPort = 9;
  EXPECT_FALSE(patchIspDemo(kindTwoModel(), toIspDemoSettings(page)).bytes.has_value());
}

}  // namespace
}  // namespace qrk

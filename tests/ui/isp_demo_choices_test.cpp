// The ISP DEMO page's choices reach the builder as the user set them.
#include "ui/isp_demo_choices.h"

#include <gtest/gtest.h>

#include "ispdemo/isp_demo_builder.h"
#include "ui/window_bench.h"

namespace qrk {
namespace {

IspDemoBuild builtForKindTwo(const IspDemoSettings& settings) {
  SelectedModel model;
  selectModel(model, "QRK5-16B");
  return patchIspDemo(model, settings);
}

// The page and settings written out by hand must give the same firmware, or
// the same refusal.
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

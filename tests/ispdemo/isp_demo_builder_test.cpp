#include "ispdemo/isp_demo_builder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/recording_host.h"

namespace qrk {
namespace {

SelectedModel modelNamed(const std::string& name) {
  SelectedModel model;
  EXPECT_TRUE(selectModel(model, name));
  return model;
}

IspDemoBytes built(const std::string& model, const IspDemoSettings& settings) {
  const IspDemoBuild build = patchIspDemo(modelNamed(model), settings);
  EXPECT_TRUE(build.bytes.has_value()) << build.refusal;
  return build.bytes.value_or(IspDemoBytes{});
}

// The window's first-start page on a QRK5-32B, worked out by hand: 29 overflows
// (11.0592 x 2.5431 + 0.5), no watchdog, no RS-485, parity on, 0x81, reload
// 65536 - 9, 124 sectors ((0xFBFF - 1024) / 512), code 4005, delay 19
// (11.0592 / 0.579), band 3.
TEST(IspDemoBuilder, FirstStartSettingsPatchTheWholeBlockIntoTheTopKilobyte) {
  ImageBuffer image;
  test::RecordingHost host;
  ASSERT_TRUE(buildIspDemo(image, modelNamed("QRK5-32B"), IspDemoSettings{}, host));
  EXPECT_TRUE(host.boxes.empty());
  EXPECT_TRUE(image.holdsDemoImage);

  const std::vector<std::uint8_t> expected = {
      0x74, 0x1D, 0x41, 0xED, 0x22, 0x00, 0x00, 0x22, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
      0x00, 0x00, 0x22, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
      0x00, 0x00, 0x22, 0x75, 0x23, 0xFF, 0x75, 0x33, 0x81, 0x75, 0x2A, 0xFF, 0x75, 0x2B,
      0xF7, 0x75, 0x27, 0x7C, 0x75, 0x2E, 0x40, 0x75, 0x2F, 0x05, 0x75, 0x3D, 0x13, 0x74,
      0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xD2, 0xAF, 0x22};
  const IspDemoBytes& plain = ispDemoTemplate();
  for (std::int32_t offset = 0; offset < 1024; ++offset) {
    const bool patched = offset >= 0x03F && offset <= 0x080;
    const std::uint8_t want = patched ? expected[static_cast<std::size_t>(offset - 0x03F)]
                                      : plain[static_cast<std::size_t>(offset)];
    ASSERT_EQ(image.at(0xF800 + offset), want) << "offset " << std::hex << offset;
  }
  EXPECT_EQ(image.at(0xF7FF), 0x00);  // nothing below the kilobyte
}

TEST(IspDemoBuilder, CrystalSetsWaitIapValueReloadDelayAndBand) {
  struct Case {
    const char *crystal, *baud;
    std::uint8_t wait, iap, reloadHigh, reloadLow, delay, band;
  };
  // wait = crystal x 2.5431 + 0.5 rounded; delay = crystal / 0.579 rounded;
  // reload = 65536 - round(crystal / 32 / baud).
  for (const Case& c : std::initializer_list<Case>{
           {"4", "9600", 11, 0x83, 0xFF, 0xF3, 7, 1},
           {"20", "38400", 51, 0x81, 0xFF, 0xF0, 35, 5},
           {"44.1368", "2400", 113, 0x80, 0xFD, 0xC1, 76, 12},
           {"100", "38400", 255, 0x80, 0xFF, 0xAF, 173, 12},
       }) {
    SCOPED_TRACE(std::string(c.crystal) + " MHz");
    IspDemoSettings settings;
    settings.crystalMhzText = c.crystal;
    settings.baudText = c.baud;
    settings.parity = false;
    const IspDemoBytes bytes = built("QRK5-64B", settings);
    EXPECT_EQ(std::tuple(bytes[0x040], bytes[0x060], bytes[0x063], bytes[0x066], bytes[0x069],
                         bytes[0x075], bytes[0x077], bytes[0x06F] << 8 | bytes[0x072]),
              std::tuple(c.wait, 0xFE, c.iap, c.reloadHigh, c.reloadLow, c.delay, c.band, 0x4006));
  }
}

TEST(IspDemoBuilder, TheEraseRangeFollowsTheModel) {
  IspDemoSettings keepData;
  keepData.eraseDataFlash = false;
  // (writableTop - 1024) / 512 when the data flash goes too, else apLast / 512.
  // QRK3-64B has no data flash: up to the DEMO either way.
  EXPECT_EQ(std::tuple(built("QRK5-32B", {})[0x06C], built("QRK5-32B", keepData)[0x06C],
                       built("QRK3-64B", keepData)[0x06C], built("QRK5-04A", {})[0x06C],
                       built("QRK5-04A", keepData)[0x06C]),
            std::tuple(124, 64, 124, 28, 8));
}

// The plain refusals are checked through demo-build and demo-write.
TEST(IspDemoBuilder, RefusalsSayWhyAndLeaveTheImageUntouched) {
  struct Case {
    const char* what;
    std::string model;
    IspDemoSettings settings;
    std::string message;
  };
  auto pins = [](const char* wdtPort, const char* wdtBit, const char* rsPort, const char* rsBit) {
    IspDemoSettings s;
    s.watchdogPin = s.rs485Pin = true;
    s.watchdogPortText = wdtPort;
    s.watchdogBitText = wdtBit;
    s.rs485PortText = rsPort;
    s.rs485BitText = rsBit;
    return s;
  };
  auto crystal = [](const char* mhz, const char* baud) {
    IspDemoSettings s;
    s.crystalMhzText = mhz;
    s.baudText = baud;
    return s;
  };
  const std::vector<Case> cases = {
      {"same pin, other text", "QRK5-16B", pins("P1", "01", "P1", "1"), kDemoPinConflictText},
      {"same bad pin", "QRK5-16B", pins("P7", "1", "P7", "1"), kDemoPinConflictText},
      {"watchdog bit text", "QRK5-16B", pins("P1", "x", "P1", "1"), kDemoWatchdogPinText},
      {"485 port", "QRK5-16B", pins("P1", "0", "p1", "1"), kDemo485PortText},
      {"485 bit", "QRK5-16B", pins("P1", "0", "P1", "9"), kDemo485BitText},
      {"red rate", "QRK5-16B", crystal("4", "115200"), "8.506%"},
      {"tiny rate", "QRK5-16B", crystal("44.1368", "21"), "65535"},
      {"fast crystal", "QRK5-16B", crystal("101", "115200"), "too fast"},
      // A divisor that fits, but delay counts far beyond any byte.
      {"absurd crystal", "QRK5-16B", crystal("1e30", "1e31"), "too fast"},
      {"crystal beyond float", "QRK5-16B", crystal("1e300", "9600"), "positive number of MHz"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ImageBuffer image;
    image.fill(0xA5);
    for (std::int32_t a = 0xF800; a <= 0xFBFF; ++a) image.set(a, static_cast<std::uint8_t>(a));
    const ImageBuffer before = image;
    test::RecordingHost host;
    EXPECT_FALSE(buildIspDemo(image, modelNamed(c.model), c.settings, host));
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_NE(host.boxes[0].find(c.message), std::string::npos) << host.boxes[0];
    EXPECT_TRUE(image.bytes() == before.bytes());
    EXPECT_FALSE(image.holdsDemoImage);
  }
  // Pins that are switched off are not judged.
  IspDemoSettings off = pins("P9", "9", "P9", "9");
  off.watchdogPin = off.rs485Pin = false;
  EXPECT_TRUE(patchIspDemo(modelNamed("QRK5-16B"), off).bytes.has_value());
}

}  // namespace
}  // namespace qrk

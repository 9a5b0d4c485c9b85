// The window's settings in a real INI file: texts that INI syntax treats
// specially come back as written, and a damaged file reads as first start.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <fstream>

#include "qt/qt_settings_store.h"
#include "support/listing_store.h"
#include "ui/window_settings.h"

namespace qrk {
namespace {

using test::saved;

TEST(WindowSettingsIni, TrickyTextsRoundTripAndADamagedFileReadsAsFirstStart) {
  QTemporaryDir dir;
  const std::string path = dir.filePath("qrk.ini").toStdString();
  WindowSettings s;
  s.modelName = "QRK5-32D";
  s.ispSpaceIndex = 3;
  s.filePath = R"(C:\固件\line #2; a=b\app "v2".hex)";
  s.fillByte = 0xFF;
  s.portIndex = 7;
  s.portPath = "/dev/serial/by-id/usb-FTDI_FT232R_A1,B2-if00";
  s.production.beepOnSuccess = false;
  s.ispDemo.crystalText = " 7.3728";
  s.ispDemo.baudText = "250000";
  s.ispDemo.rs485Logic = 1;
  s.okCountText = "";
  s.reloadBeforeRun = true;
  {
    QtSettingsStore store(path);
    saveWindowSettings(store, s);
    std::string error;
    ASSERT_TRUE(store.sync(&error)) << error;
  }
  WindowSettings expected = s;
  expected.ispDemo.crystalText = "7.3728";  // blanks around a typed number are not kept
  EXPECT_EQ(saved(loadWindowSettings(QtSettingsStore(path))), saved(expected));

  static constexpr char kJunk[] =
      "\xef\xbb\xbf[Settings\nDeviceProducts\n=\n\x00\x01\xff[Settings]\nBaud==7\n"
      "ISP_DEMO_WDT_port=\"P9\nfillbyte";
  std::ofstream(path, std::ios::binary | std::ios::trunc).write(kJunk, sizeof kJunk - 1);
  EXPECT_EQ(saved(loadWindowSettings(QtSettingsStore(path))), saved(WindowSettings{}));
}

}  // namespace
}  // namespace qrk

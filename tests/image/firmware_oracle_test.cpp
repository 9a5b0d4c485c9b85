// Real SDCC-built firmware against an independent Intel HEX implementation.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <numeric>

#include "image_fixtures.h"

namespace qrk {
namespace {

using namespace imagetest;

// The image srec_cat makes of `arguments`, addresses 0 .. ImageBuffer::kLastIndex.
Bytes srecImage(const std::string& arguments, const char* fill = "0xFF") {
  TempDir dir;
  const std::string out = dir.path("image.bin");
  const std::string command = "srec_cat " + arguments + " -fill " + fill + " 0 " +
                              std::to_string(ImageBuffer::kSize) + " -o " + out + " -binary";
  return std::system((command + " >/dev/null 2>&1").c_str()) == 0 ? readAll(out) : Bytes();
}

class FirmwareOracle : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    if (std::system("command -v srec_cat >/dev/null 2>&1") != 0) GTEST_SKIP() << "no srec_cat";
  }
  // QRK5-64E has no gap below its upper block and the widest space, so every
  // byte of the file stays where the file puts it.
  LoadResult load(const std::string& file, const char* start = "0", std::uint8_t fill = 0xFF) {
    image.filePath = file;
    LoadOptions load = options("QRK5-64E", "0.0k", start, fill);
    load.clearBuffer = true;
    return loadImage(image, load, host);
  }
  Bytes bytes() const { return {image.bytes().begin(), image.bytes().end()}; }

  const std::string path = std::string(QRK_SOURCE_DIR) + "/firmware/examples/" + GetParam();
  ImageBuffer image;
  BoxHost host;
  TempDir dir;
};

TEST_P(FirmwareOracle, LoadsExactlyWhatSrecCatReadsWithTheSumOfItsBytes) {
  const Bytes zeroFilled = srecImage(path + " -intel", "0x00");
  ASSERT_EQ(zeroFilled.size(), static_cast<std::size_t>(ImageBuffer::kSize));
  char sum[32];
  std::snprintf(sum, sizeof sum, "%07llXH       ",
                std::accumulate(zeroFilled.begin(), zeroFilled.end(), 0ULL));
  const LoadResult filled = load(path);
  EXPECT_TRUE(filled.clean());
  EXPECT_EQ(filled.checksumText, sum) << "the file's own bytes, whatever fills the rest";
  EXPECT_EQ(bytes(), srecImage(path + " -intel"));
  EXPECT_TRUE(load(path, "0", 0x00).clean());
  EXPECT_EQ(bytes(), zeroFilled);
  load(path, "100");
  EXPECT_EQ(bytes(), srecImage(path + " -intel -offset 0x100"));
  // Its binary image, laid out by srec_cat, loads back the same.
  const Bytes binary = srecImage(path + " -intel");
  load(dir.file("image.bin", Bytes(binary.begin(), binary.begin() + 0x10000)));
  EXPECT_EQ(bytes(), binary);
}

INSTANTIATE_TEST_SUITE_P(Examples, FirmwareOracle,
                         ::testing::Values("blink.hex", "echo.hex", "crc_table.hex"),
                         [](const auto& info) {
                           std::string name = info.param;
                           return name.substr(0, name.find('.'));
                         });

}  // namespace
}  // namespace qrk

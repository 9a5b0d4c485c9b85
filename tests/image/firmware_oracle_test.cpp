// Real SDCC-built firmware against an independent Intel HEX implementation.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <numeric>

#include "image/image_loader.h"
#include "image_fixtures.h"

namespace qrk {
namespace {

using namespace imagetest;

// The image srec_cat makes of `arguments`, addresses 0 .. ImageBuffer::kLastIndex.
std::vector<std::uint8_t> srecImage(const std::string& arguments, const char* fill) {
  const std::string command = "srec_cat " + arguments + " -fill " + fill + " 0 " +
                              std::to_string(ImageBuffer::kSize) + " -o - -binary 2>/dev/null";
  std::vector<std::uint8_t> bytes;
  if (std::FILE* pipe = ::popen(command.c_str(), "r")) {
    char chunk[4096];
    for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;)
      bytes.insert(bytes.end(), chunk, chunk + got);
    ::pclose(pipe);
  }
  return bytes;
}

class FirmwareOracle : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    if (std::system("command -v srec_cat >/dev/null 2>&1") != 0) GTEST_SKIP() << "no srec_cat";
    path = std::string(QRK_SOURCE_DIR) + "/firmware/examples/" + GetParam();
  }
  // QRK5-64E has no gap below its upper block and the widest space, so every
  // byte of the file stays where the file puts it.
  LoadResult load(const std::string& file, const char* start, std::uint8_t fill) {
    image.filePath = file;
    LoadOptions load = options("QRK5-64E", "0.0k", start, fill);
    load.clearBuffer = true;
    return loadImage(image, load, host);
  }
  std::vector<std::uint8_t> bytes() const { return {image.bytes().begin(), image.bytes().end()}; }

  std::string path;
  ImageBuffer image;
  BoxHost host;
  TempDir dir;
};

TEST_P(FirmwareOracle, LoadsExactlyWhatSrecCatReadsWithItsChecksum) {
  std::vector<std::string> checksums;
  char zeroFilledSum[32] = "";
  for (std::uint8_t fill : {std::uint8_t{0xFF}, std::uint8_t{0x00}}) {
    const LoadResult result = load(path, "0", fill);
    ASSERT_TRUE(result.clean());
    checksums.push_back(result.checksumText);
    const std::vector<std::uint8_t> expected =
        srecImage(path + " -intel", fill == 0xFF ? "0xFF" : "0x00");
    ASSERT_EQ(expected.size(), static_cast<std::size_t>(ImageBuffer::kSize));
    EXPECT_EQ(bytes(), expected);
    std::snprintf(zeroFilledSum, sizeof zeroFilledSum, "%07llXH       ",
                  std::accumulate(expected.begin(), expected.end(), 0ULL));
  }
  // The sum of the file's own bytes, whatever fills the rest.
  EXPECT_EQ(checksums, (std::vector<std::string>{zeroFilledSum, zeroFilledSum}));
  load(path, "100", 0xFF);
  EXPECT_EQ(bytes(), srecImage(path + " -intel -offset 0x100", "0xFF"));
}

TEST_P(FirmwareOracle, ReadsExtendedAddressesAndItsBinaryImageAsSrecCatWritesThem) {
  for (const char* form : {"", "-address-length=3"}) {  // linear, then segment records
    const std::string moved = dir.path(std::string("moved") + (*form ? "3" : "4") + ".hex");
    const std::string command = "srec_cat " + path + " -intel -offset 0x10000 -o " + moved +
                                " -intel " + form + " >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const LoadResult result = load(moved, "0", 0xFF);
    EXPECT_EQ(bytes(), srecImage(moved + " -intel", "0xFF")) << form;
    EXPECT_TRUE(result.read.flags.ispBlock) << form;
    EXPECT_FALSE(result.read.flags.over) << form;
  }
  const std::vector<std::uint8_t> binary = srecImage(path + " -intel", "0xFF");
  load(dir.file("image.bin", std::vector<std::uint8_t>(binary.begin(), binary.begin() + 0x10000)),
       "0", 0xFF);
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

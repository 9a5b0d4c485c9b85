// Real SDCC-built firmware against an independent Intel HEX implementation.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <numeric>

#include "image/checksum_text.h"
#include "image/image_loader.h"
#include "image_fixtures.h"

namespace qrk {
namespace {

using namespace imagetest;

const std::string kExamples = std::string(QRK_SOURCE_DIR) + "/firmware/examples/";

bool haveSrecCat() { return std::system("command -v srec_cat >/dev/null 2>&1") == 0; }

// The image srec_cat makes of `arguments`, addresses 0 .. ImageBuffer::kLastIndex.
std::vector<std::uint8_t> srecImage(const std::string& arguments, const char* fill) {
  const std::string command = "srec_cat " + arguments + " -fill " + fill + " 0 " +
                              std::to_string(ImageBuffer::kSize) + " -o - -binary 2>/dev/null";
  std::vector<std::uint8_t> bytes;
  if (std::FILE* pipe = ::popen(command.c_str(), "r")) {
    char chunk[4096];
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0)
      bytes.insert(bytes.end(), chunk, chunk + got);
    ::pclose(pipe);
  }
  return bytes;
}

std::vector<std::uint8_t> imageBytes(const ImageBuffer& image) {
  return {image.bytes().begin(), image.bytes().end()};
}

class FirmwareOracle : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    if (!haveSrecCat()) GTEST_SKIP() << "srec_cat is not installed";
    path = kExamples + GetParam();
  }

  // QRK5-64E has no gap below its upper block and the widest space, so every
  // byte of the file stays where the file puts it.
  LoadResult load(const std::string& file, const char* start, std::uint8_t fill) {
    image.filePath = file;
    LoadOptions load = options("QRK5-64E", "0.0k", start, fill);
    load.clearBuffer = true;
    return loadImage(image, load, host);
  }

  std::string path;
  ImageBuffer image;
  BoxHost host;
  TempDir dir;
};

TEST_P(FirmwareOracle, LoadsExactlyWhatSrecCatReads) {
  for (std::uint8_t fill : {std::uint8_t{0xFF}, std::uint8_t{0x00}}) {
    const LoadResult result = load(path, "0", fill);
    ASSERT_TRUE(result.clean());
    const std::vector<std::uint8_t> expected =
        srecImage(path + " -intel", fill == 0xFF ? "0xFF" : "0x00");
    ASSERT_EQ(expected.size(), static_cast<std::size_t>(ImageBuffer::kSize));
    EXPECT_EQ(imageBytes(image), expected);
  }
}

TEST_P(FirmwareOracle, ChecksumIsTheSumOfTheDataBytes) {
  const LoadResult result = load(path, "0", 0xFF);
  const std::vector<std::uint8_t> zeroFilled = srecImage(path + " -intel", "0x00");
  const std::uint64_t sum = std::accumulate(zeroFilled.begin(), zeroFilled.end(), std::uint64_t{0});
  char text[32];
  std::snprintf(text, sizeof text, "%07llXH       ", static_cast<unsigned long long>(sum));
  EXPECT_EQ(result.checksumText, text);
  EXPECT_EQ(checksumText(result.read.sum), text);
}

TEST_P(FirmwareOracle, HonoursABufferStartAddress) {
  load(path, "100", 0xFF);
  EXPECT_EQ(imageBytes(image), srecImage(path + " -intel -offset 0x100", "0xFF"));
}

TEST_P(FirmwareOracle, ReadsExtendedLinearAndSegmentAddressesAsSrecCatWritesThem) {
  for (const char* form : {"", "-address-length=3"}) {
    const std::string moved =
        dir.path(std::string("moved") + (*form ? "-segment" : "-linear") + ".hex");
    const std::string command = "srec_cat " + path + " -intel -offset 0x10000 -o " + moved +
                                " -intel " + form + " >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const LoadResult result = load(moved, "0", 0xFF);
    EXPECT_EQ(imageBytes(image), srecImage(moved + " -intel", "0xFF")) << form;
    EXPECT_TRUE(result.read.flags.ispBlock) << form;
    EXPECT_FALSE(result.read.flags.over) << form;
  }
}

TEST_P(FirmwareOracle, ItsBinaryImageLoadsBackTheSame) {
  load(path, "0", 0xFF);
  const ImageBuffer hexImage = image;
  const std::vector<std::uint8_t> binary = srecImage(path + " -intel", "0xFF");
  const std::string bin =
      dir.file("image.bin", std::vector<std::uint8_t>(binary.begin(), binary.begin() + 0x10000));
  image = ImageBuffer();
  load(bin, "0", 0xFF);
  EXPECT_EQ(imageBytes(image), imageBytes(hexImage));
}

INSTANTIATE_TEST_SUITE_P(Examples, FirmwareOracle,
                         ::testing::Values("blink.hex", "echo.hex", "crc_table.hex"),
                         [](const auto& info) {
                           std::string name = info.param;
                           return name.substr(0, name.find('.'));
                         });

TEST(DemoFirmware, IsAFewKilobytesOfCodeThatFitsEveryModel) {
  ImageBuffer image;
  BoxHost host;
  image.filePath = kExamples + "blink.hex";
  const LoadResult result = loadImage(image, options("QRK5-04A", "4.0k"), host);
  EXPECT_TRUE(result.clean());
  EXPECT_GE(image.rangeHigh, 0x800);
  EXPECT_LE(image.rangeHigh, 0x0FFF);
}

}  // namespace
}  // namespace qrk

#include "image/image_loader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <numeric>
#include <string_view>
#include <tuple>

#include "image_fixtures.h"

namespace qrk {
namespace {

using namespace imagetest;

class ImageLoader : public ::testing::Test {
 protected:
  LoadResult load(const std::string& path, const LoadOptions& load) {
    image.filePath = path;
    return loadImage(image, load, host);
  }
  LoadResult load(const std::string& name, const std::string& content, const LoadOptions& load) {
    return this->load(dir.file(name, content), load);
  }

  TempDir dir;
  ImageBuffer image;
  BoxHost host;
  const LoadOptions plain = options("QRK5-16B");
};

TEST_F(ImageLoader, RaisesOneBoxWithEveryRegionWarningThenOnePerBadRecord) {
  const LoadResult result =
      load("regions.bin", std::string(0x2C10, '\x11'), options("QRK5-04A", "4.0k"));
  ASSERT_EQ(result.warnings.size(), 1u);
  EXPECT_EQ(result.warnings[0].title, "Open HEX file");
  EXPECT_EQ(result.warnings[0].text,
            " Data Memory contain procedure or datas.\r\n      Data Memory 空间有数据。\r\n\r\n"
            "ISP or Block1 contain procedure or datas.\r\n    ISP 或 Block1 空间有程序或数据。"
            "\r\n\r\n             按确定继续。");
  EXPECT_EQ(host.boxes, std::vector<std::string>{result.warnings[0].text});
  EXPECT_FALSE(host.busy);

  std::string bad = record(0x00, 0x3000, {0x12});
  bad.back() = bad.back() == '0' ? '1' : '0';
  LoadOptions cleared = options("QRK5-04A", "4.0k");
  cleared.clearBuffer = true;
  const std::string path =
      dir.file("over.hex", dataRecord(0x3BFF, {1, 2}) + bad + "\r\n:0400\r\n:00000001FF\r\n");
  const LoadResult hex = load(path, cleared);
  ASSERT_EQ(hex.warnings.size(), 3u);
  EXPECT_EQ(std::pair(hex.warnings[0].title, hex.warnings[0].text),
            std::pair(path, "Checksum\r\n\r\n" + bad));
  EXPECT_EQ(hex.warnings[1].title, path);
  EXPECT_NE(hex.warnings[1].text.find("line 3: record shorter than five bytes"), std::string::npos);
  EXPECT_TRUE(hex.warnings[2].text.starts_with("    File over the valid scope.\r\n"));
  EXPECT_TRUE(hex.loaded() && !hex.clean());
}

// The start address is parsed once, whole, for the check and the loaders alike.
TEST_F(ImageLoader, ARefusedStartAddressOrAMissingFileChangesNothing) {
  const std::tuple<const char*, const char*, bool> starts[] = {
      {"QRK3-32F", "7FFF", true},   {"QRK3-32F", "8000", false}, {"QRK5-32D", "E000", true},
      {"QRK5-32D", "10000", false}, {"QRK5-04A", "3C00", false}, {"QRK5-64E", "11FFF", true},
  };
  for (const auto& [model, start, accepted] : starts) {
    const LoadOptions load = options(model);
    EXPECT_EQ(checkStartAddress(start, readLimits(load.memoryMap, load.model), load.model).accepted,
              accepted)
        << model << " " << start;
  }
  // An ISP area larger than the space leaves no address below zero.
  EXPECT_EQ(options("QRK5-12A", "99999k").memoryMap.apEnd, "0000");

  load("first.bin", "\x01\x02", plain);
  const ImageBuffer before = image;
  for (const char* start : {"FC00", "123456", "000100", "-1", "0x10", "1 0"}) {
    EXPECT_EQ(load("second.bin", "\x03", options("QRK5-16B", "0.0k", start)).status,
              LoadStatus::StartRefused)
        << start;
  }
  EXPECT_EQ(load(dir.path("absent.bin"), plain).status, LoadStatus::FileMissing);
  EXPECT_EQ(load(dir.path(""), plain).status, LoadStatus::FileUnreadable);
  std::vector<std::string> boxes(6, std::string(kStartMalformedMessage));
  boxes[0] = "Buffer Start Address Outrun the valid scope. \r\n       缓冲区起始地址超出有效空间。";
  boxes.insert(boxes.end(),
               {"Can not find the file./找不到文件", "Can not read the file./无法读取文件"});
  EXPECT_EQ(host.boxes, boxes);
  EXPECT_EQ(load("", plain).status, LoadStatus::NoFile);
  EXPECT_EQ(image.bytes(), before.bytes());
  EXPECT_EQ(std::tie(image.rangeLow, image.rangeHigh, image.fileEnd, image.fileLoaded),
            std::tie(before.rangeLow, before.rangeHigh, before.fileEnd, before.fileLoaded));
}

TEST_F(ImageLoader, ChoosesTheReaderLaysFilesOverEachOtherAndReloadsExactlyTheFile) {
  load("a.bin", std::string(0xF0, '\xA1'), options("QRK5-16B", "0.0k", "10"));
  EXPECT_EQ(bytesAt(image, 0x0F, 2), (Bytes{0xFF, 0xA1})) << "a fresh image holds 0x00";
  load("b.bin", std::string(0x100, '\xB2'), options("QRK5-16B", "0.0k", "1000"));
  EXPECT_EQ(std::tuple(image.at(0x10), image.at(0x10FF), image.rangeLow, image.rangeHigh),
            std::tuple(0xA1, 0xB2, 0x10, 0x10FF));

  const std::string record = dataRecord(0, {1});
  EXPECT_EQ(load("r.bin", record + record + record, plain).format, FileFormat::Hex);
  EXPECT_EQ(load("x.txt", record + "x\r\n" + record, plain).format, FileFormat::Bin);
  EXPECT_EQ(load("a.hex", dataRecord(0, {0xFF, 0xFF, 0x10}), plain).checksumText,
            "000020EH       ");
  const LoadResult empty = load("empty", "", plain);
  EXPECT_EQ(std::tuple(empty.format, empty.checksumText, empty.warnings.size()),
            std::tuple(FileFormat::Bin, "0000000H       ", 1u))
      << "an empty file holds no record: a BIN with nothing to program";

  const std::string path = dir.file("build.hex", dataRecord(0x0000, {1, 2, 3}) + ":00000001FF\r\n");
  const ImageSource source{path, "0"};
  EXPECT_TRUE(reloadFiles(image, {&source, 1}, plain, host).clean());
  EXPECT_EQ(image.filePath, path);
  EXPECT_EQ(std::tuple(image.at(0x10), image.at(0x1000), image.rangeLow, image.rangeHigh),
            std::tuple(0xFF, 0xFF, 0, 2))
      << "the older build must not survive a reload";
}

// Real SDCC-built firmware against srec_cat, an independent Intel HEX implementation:
// the image it makes of `arguments`, addresses 0 .. ImageBuffer::kLastIndex.
Bytes srecImage(const std::string& arguments, const char* fill = "0xFF") {
  TempDir dir;
  const std::string out = dir.path("image.bin");
  const std::string command = "srec_cat " + arguments + " -fill " + fill + " 0 " +
                              std::to_string(ImageBuffer::kSize) + " -o " + out + " -binary";
  return std::system((command + " >/dev/null 2>&1").c_str()) == 0 ? readAll(out) : Bytes();
}

TEST_F(ImageLoader, LoadsExampleFirmwareExactlyAsSrecCatReadsIt) {
  if (std::system("command -v srec_cat >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "srec_cat not found (install srecord): the HEX reader was NOT compared";
  // QRK5-64E has no gap below its upper block and the widest space, so every
  // byte of the file stays where the file puts it.
  LoadOptions kindZero = options("QRK5-64E");
  kindZero.clearBuffer = true;
  const auto bytes = [&] { return Bytes(image.bytes().begin(), image.bytes().end()); };
  for (const char* name : {"blink.hex", "echo.hex", "crc_table.hex"}) {
    SCOPED_TRACE(name);
    const std::string path = std::string(QRK_SOURCE_DIR) + "/firmware/examples/" + name;
    kindZero.startAddressText = "0";
    const Bytes zeroFilled = srecImage(path + " -intel", "0x00");
    ASSERT_EQ(zeroFilled.size(), static_cast<std::size_t>(ImageBuffer::kSize));
    char sum[32];
    std::snprintf(sum, sizeof sum, "%07llXH       ",
                  std::accumulate(zeroFilled.begin(), zeroFilled.end(), 0ULL));
    const LoadResult filled = load(path, kindZero);
    EXPECT_TRUE(filled.clean());
    EXPECT_EQ(filled.checksumText, sum) << "the file's own bytes, whatever fills the rest";
    EXPECT_EQ(bytes(), srecImage(path + " -intel"));
    kindZero.startAddressText = "100";
    kindZero.fillByte = 0xFF;
    load(path, kindZero);
    EXPECT_EQ(bytes(), srecImage(path + " -intel -offset 0x100"));
  }
}

}  // namespace
}  // namespace qrk

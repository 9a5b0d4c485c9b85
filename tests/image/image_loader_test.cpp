#include "image/image_loader.h"

#include <gtest/gtest.h>

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

TEST_F(ImageLoader, ChoosesTheReaderByNameOrFirstLinesAndShowsTheChecksum) {
  EXPECT_EQ(load("a.hexfile.bin", "\x01\x02", plain).format, FileFormat::Hex);  // ".HEX" anywhere
  const std::string record = dataRecord(0, {1});
  EXPECT_EQ(load("r.bin", record + record + record, plain).format, FileFormat::Hex);
  EXPECT_EQ(load("x.txt", record + "x\r\n" + record, plain).format, FileFormat::Bin);
  EXPECT_EQ(load("a.hex", dataRecord(0, {0xFF, 0xFF, 0x10}), plain).checksumText,
            "000020EH       ");
  EXPECT_EQ(load("empty.bin", "", plain).checksumText, "0000000H       ");
}

TEST_F(ImageLoader, RaisesOneBoxWithEveryRegionWarning) {
  LoadOptions kindTwo = options("QRK5-04A", "4.0k");
  const LoadResult result = load("regions.bin", std::string(0x2C10, '\x11'), kindTwo);
  ASSERT_EQ(result.warnings.size(), 1u);
  EXPECT_EQ(result.warnings[0].title, "Open HEX file");
  EXPECT_EQ(result.warnings[0].text,
            " Data Memory contain procedure or datas.\r\n      Data Memory 空间有数据。\r\n\r\n"
            "ISP or Block1 contain procedure or datas.\r\n    ISP 或 Block1 空间有程序或数据。"
            "\r\n\r\n             按确定继续。");
  EXPECT_EQ(host.texts, std::vector<std::string>{result.warnings[0].text});
  EXPECT_FALSE(host.busy);

  kindTwo.clearBuffer = true;
  const LoadResult hex =
      load("over.hex", dataRecord(0x3BFF, {1, 2}) + dataRecord(0x3000, {3}), kindTwo);
  ASSERT_EQ(hex.warnings.size(), 1u);
  EXPECT_EQ(hex.warnings[0].text,
            "    File over the valid scope.\r\n文件超出有效空间, 超出的部分已丢失。\r\n\r\n"
            "ISP or Block1 contain procedure or datas.\r\n    ISP or Block1 空间有程序或数据。"
            "\r\n\r\n             按确定继续。");
}

TEST_F(ImageLoader, ShowsChecksumFailuresAndRejectedLinesUnderTheFilesPath) {
  std::string bad = record(0x00, 0x10, {0x12});
  bad.back() = bad.back() == '0' ? '1' : '0';
  const std::string path = dir.file("bad.hex", dataRecord(0, {1}) + bad + "\r\n:0400\r\n");
  const LoadResult result = load(path, plain);
  ASSERT_EQ(result.warnings.size(), 2u);
  EXPECT_EQ(std::pair(result.warnings[0].title, result.warnings[0].text),
            std::pair(path, "Checksum\r\n\r\n" + bad));
  EXPECT_EQ(result.warnings[1].title, path);
  EXPECT_NE(result.warnings[1].text.find("line 3: record shorter than five bytes"),
            std::string::npos);
  EXPECT_TRUE(result.loaded() && !result.clean());
}

TEST_F(ImageLoader, ARefusedStartAddressOrAMissingFileChangesNothing) {
  load("first.bin", "\x01\x02", plain);
  const ImageBuffer before = image;
  for (const char* start : {"FC00", "123456", "xyz"}) {
    EXPECT_EQ(load("second.bin", "\x03", options("QRK5-16B", "0.0k", start)).status,
              LoadStatus::StartRefused)
        << start;
  }
  EXPECT_EQ(load(dir.path("absent.bin"), plain).status, LoadStatus::FileMissing);
  EXPECT_EQ(load(dir.path(""), plain).status, LoadStatus::FileUnreadable);
  EXPECT_EQ(host.texts.size(), 5u);
  EXPECT_EQ(std::vector(host.texts.begin() + 3, host.texts.end()),
            (std::vector<std::string>{"Can not find the file./找不到文件",
                                      "Can not read the file./无法读取文件"}));
  EXPECT_EQ(load("", plain).status, LoadStatus::NoFile);
  EXPECT_EQ(image.bytes(), before.bytes());
  EXPECT_EQ(std::tie(image.rangeLow, image.rangeHigh, image.fileEnd, image.fileLoaded),
            std::tie(before.rangeLow, before.rangeHigh, before.fileEnd, before.fileLoaded));
}

TEST_F(ImageLoader, LaysFilesOverEachOtherUnlessClearedAndReloadsExactlyTheFile) {
  load("a.bin", std::string(0xF0, '\xA1'), options("QRK5-16B", "0.0k", "10"));
  EXPECT_EQ(bytesAt(image, 0x0F, 2), (Bytes{0xFF, 0xA1})) << "a fresh image holds 0x00";
  load("b.bin", std::string(0x100, '\xB2'), options("QRK5-16B", "0.0k", "1000"));
  EXPECT_EQ(std::tuple(image.at(0x10), image.at(0x10FF), image.rangeLow, image.rangeHigh),
            std::tuple(0xA1, 0xB2, 0x10, 0x10FF));

  const std::string path = dir.file("build.hex", dataRecord(0x0000, {1, 2, 3}));
  EXPECT_TRUE(reloadFile(image, path, plain, host).clean());
  EXPECT_EQ(image.filePath, path);
  EXPECT_EQ(std::tuple(image.at(0x10), image.at(0x1000), image.rangeLow, image.rangeHigh),
            std::tuple(0xFF, 0xFF, 0, 2))
      << "the older build must not survive a reload";

  std::filesystem::remove(path);
  const auto before = image.bytes();
  host.texts.clear();
  EXPECT_EQ(reloadFile(image, path, plain, host).status, LoadStatus::FileMissing);
  EXPECT_EQ(host.texts, std::vector<std::string>{"Can not find the file./找不到文件"});
  EXPECT_EQ(image.bytes(), before);
}

}  // namespace
}  // namespace qrk

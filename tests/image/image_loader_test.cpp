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

  TempDir dir;
  ImageBuffer image;
  BoxHost host;
};

TEST_F(ImageLoader, ChoosesTheReaderByNameOrFirstLinesAndShowsTheChecksum) {
  const std::string threeRecords = dataRecord(0, {1}) + dataRecord(1, {2}) + dataRecord(2, {3});
  const std::pair<std::string, std::string> hexFiles[] = {
      {"a.hexfile.bin", "\x01\x02"},  // ".HEX" anywhere in the path
      {"records.bin", threeRecords},
  };
  for (const auto& [name, content] : hexFiles) {
    EXPECT_EQ(load(dir.file(name, content), options("QRK5-16B")).format, FileFormat::Hex) << name;
  }
  const LoadResult bin =
      load(dir.file("second.txt", dataRecord(0, {1}) + "x\r\n" + dataRecord(1, {2})),
           options("QRK5-16B"));
  EXPECT_EQ(bin.format, FileFormat::Bin);
  EXPECT_EQ(
      load(dir.file("a.hex", dataRecord(0, {0xFF, 0xFF, 0x10})), options("QRK5-16B")).checksumText,
      "000020EH       ");
  EXPECT_EQ(load(dir.file("empty.dat", std::string()), options("QRK5-16B")).checksumText,
            "0000000H       ");
}

TEST_F(ImageLoader, RaisesOneBoxWithEveryRegionWarning) {
  const LoadResult result =
      load(dir.file("regions.bin", std::string(0x2C10, '\x11')), options("QRK5-04A", "4.0k"));
  ASSERT_EQ(result.warnings.size(), 1u);
  EXPECT_EQ(result.warnings[0].title, "Open HEX file");
  EXPECT_EQ(result.warnings[0].text,
            " Data Memory contain procedure or datas.\r\n      Data Memory 空间有数据。\r\n\r\n"
            "ISP or Block1 contain procedure or datas.\r\n    ISP 或 Block1 空间有程序或数据。"
            "\r\n\r\n             按确定继续。");
  EXPECT_EQ(host.texts, std::vector<std::string>{result.warnings[0].text});
  EXPECT_FALSE(host.busy);

  LoadOptions cleared = options("QRK5-04A", "4.0k");
  cleared.clearBuffer = true;
  const LoadResult hex =
      load(dir.file("over.hex", dataRecord(0x3BFF, {1, 2}) + dataRecord(0x3000, {3})), cleared);
  ASSERT_EQ(hex.warnings.size(), 1u);
  EXPECT_EQ(hex.warnings[0].text,
            "    File over the valid scope.\r\n文件超出有效空间, 超出的部分已丢失。\r\n\r\n"
            "ISP or Block1 contain procedure or datas.\r\n    ISP or Block1 空间有程序或数据。"
            "\r\n\r\n             按确定继续。");
}

TEST_F(ImageLoader, ShowsChecksumFailuresAndRejectedLinesUnderTheFilesPath) {
  std::string text;
  for (int i = 0; i < 50; ++i) {
    std::string bad = record(0x00, static_cast<std::uint16_t>(i), {0x12});
    bad.back() = bad.back() == '0' ? '1' : '0';
    text += bad + "\r\n";
  }
  const std::string path = dir.file("bad.hex", text + ":0400\r\n");
  const LoadResult result = load(path, options("QRK5-16B"));
  // Ten boxes of failed checksums, one that counts the rest, one of rejected lines.
  ASSERT_EQ(result.warnings.size(), 12u);
  EXPECT_EQ(result.warnings[0].title, path);
  EXPECT_EQ(result.warnings[0].text, "Checksum\r\n\r\n" + text.substr(0, text.find('\r')));
  EXPECT_NE(result.warnings[10].text.find("40 more records"), std::string::npos);
  EXPECT_EQ(result.warnings[11].title, path);
  EXPECT_NE(result.warnings[11].text.find("line 51: record shorter than five bytes"),
            std::string::npos);
  EXPECT_TRUE(result.loaded());
  EXPECT_FALSE(result.clean());
}

TEST_F(ImageLoader, ARefusedStartAddressOrAMissingFileChangesNothing) {
  load(dir.file("first.bin", std::string("\x01\x02")), options("QRK5-16B"));
  const ImageBuffer before = image;
  host.texts.clear();
  for (const char* start : {"FC00", "123456", "xyz"}) {
    EXPECT_EQ(load(dir.file("second.bin", std::string("\x03")), options("QRK5-16B", "0.0k", start))
                  .status,
              LoadStatus::StartRefused)
        << start;
  }
  EXPECT_EQ(host.texts.size(), 3u);
  host.texts.clear();
  EXPECT_EQ(load(dir.path("absent.bin"), options("QRK5-16B")).status, LoadStatus::FileMissing);
  EXPECT_EQ(load(dir.path(""), options("QRK5-16B")).status, LoadStatus::FileUnreadable);
  EXPECT_EQ(host.texts, (std::vector<std::string>{"Can not find the file./找不到文件",
                                                  "Can not read the file./无法读取文件"}));
  EXPECT_EQ(load("", options("QRK5-16B")).status, LoadStatus::NoFile);
  EXPECT_EQ(image.bytes(), before.bytes());
  EXPECT_EQ(std::tie(image.rangeLow, image.rangeHigh, image.fileEnd, image.fileLoaded),
            std::tie(before.rangeLow, before.rangeHigh, before.fileEnd, before.fileLoaded));
}

TEST_F(ImageLoader, LaysFilesOverEachOtherUnlessTheBufferIsCleared) {
  // A fresh image holds 0x00 until the first load fills it.
  LoadOptions merged = options("QRK5-16B", "0.0k", "10");
  load(dir.file("a.bin", std::string(0xF0, '\xA1')), merged);
  EXPECT_EQ(bytesAt(image, 0x0F, 2), (Bytes{0xFF, 0xA1}));
  merged.startAddressText = "1000";
  load(dir.file("b.bin", std::string(0x100, '\xB2')), merged);
  EXPECT_EQ(image.at(0x0010), 0xA1);
  EXPECT_EQ(image.at(0x10FF), 0xB2);
  EXPECT_EQ(image.rangeLow, 0x10);
  EXPECT_EQ(image.rangeHigh, 0x10FF);

  LoadOptions cleared = options("QRK5-16B");
  cleared.clearBuffer = true;
  load(dir.file("c.bin", std::string(4, '\x42')), cleared);
  EXPECT_EQ(image.at(0x0010), 0xFF);
  EXPECT_EQ(image.at(0x1000), 0xFF);
  EXPECT_EQ(image.rangeLow, 0);
  EXPECT_EQ(image.rangeHigh, 3);
}

TEST_F(ImageLoader, ReloadGivesExactlyTheFileAndFailsWhenItIsGone) {
  load(dir.file("old.hex", dataRecord(0x2000, {0xDE, 0xAD})), options("QRK5-16B"));
  const std::string path = dir.file("build.hex", dataRecord(0x0000, {1, 2, 3}));
  EXPECT_TRUE(reloadFile(image, path, options("QRK5-16B"), host).clean());
  EXPECT_EQ(image.filePath, path);
  EXPECT_EQ(image.at(0x2000), 0xFF) << "the older build must not survive a reload";
  EXPECT_EQ(image.rangeHigh, 2);

  std::filesystem::remove(path);
  const auto before = image.bytes();
  host.texts.clear();
  const LoadResult missing = reloadFile(image, path, options("QRK5-16B"), host);
  EXPECT_EQ(missing.status, LoadStatus::FileMissing);
  EXPECT_EQ(host.texts, std::vector<std::string>{"Can not find the file./找不到文件"});
  EXPECT_EQ(image.bytes(), before);
}

}  // namespace
}  // namespace qrk

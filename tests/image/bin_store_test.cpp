#include "image/bin_store.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "image/box_recorder.h"

namespace qrk {
namespace {

namespace fs = std::filesystem;
using test::BoxRecorder;

std::vector<std::uint8_t> readAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeAll(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

TEST(StoreRangeTest, AcceptsWholeTextsUpToTheEndOf64K) {
  auto check = checkStoreRange("0", "100");
  ASSERT_TRUE(check.range);
  EXPECT_EQ(check.range->start, 0);
  EXPECT_EQ(check.range->last(), 0xFF);

  check = checkStoreRange(" F000 ", "1000");
  ASSERT_TRUE(check.range);
  EXPECT_EQ(check.range->last(), 0xFFFF);

  // The full 64 KB: five digits of length are read as five digits.
  check = checkStoreRange("0", "10000");
  ASSERT_TRUE(check.range);
  EXPECT_EQ(check.range->length, 0x10000);
  EXPECT_TRUE(checkStoreRange("0000", "0010000").range);
}

TEST(StoreRangeTest, RefusesWithTheMessageOfEachLimit) {
  struct Case {
    const char* start;
    const char* length;
    std::string_view message;
  };
  const Case cases[] = {
      {"10000", "1", kStoreStartTooBig},  // never read as 0000
      {"1F000", "1", kStoreStartTooBig},    {"123456789ABCDEF0123", "1", kStoreStartTooBig},
      {"x12", "1", kStoreStartNegative},    {"", "1", kStoreStartNegative},
      {"0", "0", kStoreLengthTooSmall},     {"0", "1G", kStoreLengthTooSmall},
      {"F000", "1001", kStoreLengthTooBig}, {"0", "10001", kStoreLengthTooBig},
      {"1", "10000", kStoreLengthTooBig},   {"0", "FFFFFFFFFFFFFFFFFFFF", kStoreLengthTooBig},
  };
  for (const auto& c : cases) {
    const auto check = checkStoreRange(c.start, c.length);
    EXPECT_FALSE(check.range) << c.start << " " << c.length;
    EXPECT_EQ(check.refusal, c.message) << c.start << " " << c.length;
  }
  EXPECT_EQ(checkStoreRange(0x10, -1).refusal, kStoreLengthTooSmall);  // --to before --from
}

TEST(StoreRangeTest, ButtonNeedsBothBoxesAndStaysOffOverTheDemoFirmware) {
  EXPECT_TRUE(storeButtonEnabled("0", "400", false, false));
  EXPECT_FALSE(storeButtonEnabled("", "400", false, true));
  EXPECT_FALSE(storeButtonEnabled("0", "", false, true));
  EXPECT_FALSE(storeButtonEnabled("0", "400", true, false));
  EXPECT_TRUE(storeButtonEnabled("0", "400", true, true));
}

class BinStoreTest : public ::testing::Test {
 protected:
  BinStoreTest() {
    dir = fs::temp_directory_path() /
          ("qrk_bin_store_" + std::to_string(::getpid()) + "_" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    for (std::int32_t a = 0; a < ImageBuffer::kSize; ++a) {
      image.set(a, static_cast<std::uint8_t>(a * 7 + (a >> 8)));
    }
  }
  ~BinStoreTest() override { fs::remove_all(dir); }

  StoreOutcome store(const std::string& start, const std::string& length, const fs::path& path) {
    return storeBinFile(image, start, length, host, [&] { return std::optional<fs::path>(path); });
  }
  std::vector<std::uint8_t> imageBytes(std::int32_t first, std::int32_t count) const {
    return {image.bytes().begin() + first, image.bytes().begin() + first + count};
  }
  std::size_t filesInDir() const {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), {}));
  }

  ImageBuffer image;
  BoxRecorder host;
  fs::path dir;
};

TEST_F(BinStoreTest, WritesTheRangeAndReplacesAnOldFileWholly) {
  const fs::path out = dir / "out.bin";
  writeAll(out, std::vector<std::uint8_t>(5000, 0xAA));
  EXPECT_EQ(store("F000", "1000", out), StoreOutcome::Written);
  EXPECT_EQ(readAll(out), imageBytes(0xF000, 0x1000));
  EXPECT_EQ(filesInDir(), 1U);  // no temporary file left beside it

  EXPECT_EQ(store("0", "10000", out), StoreOutcome::Written);
  EXPECT_EQ(readAll(out), imageBytes(0, 0x10000));
  EXPECT_TRUE(host.boxes.empty());
}

TEST_F(BinStoreTest, RefusalAndCancelWriteNothing) {
  const fs::path out = dir / "out.bin";
  EXPECT_EQ(store("10000", "1", out), StoreOutcome::Refused);
  EXPECT_EQ(host.boxes, std::vector<std::string>{std::string(kStoreStartTooBig)});
  EXPECT_FALSE(fs::exists(out));

  bool asked = false;
  auto cancel = [&] {
    asked = true;
    return std::optional<fs::path>();
  };
  EXPECT_EQ(storeBinFile(image, "0", "100", host, cancel), StoreOutcome::Cancelled);
  EXPECT_TRUE(asked);
  EXPECT_EQ(storeBinFile(image, "0", "100", host, [] { return std::optional<fs::path>(""); }),
            StoreOutcome::Cancelled);
  EXPECT_EQ(filesInDir(), 0U);
}

TEST_F(BinStoreTest, FailuresNameThePathAndTheReason) {
  const fs::path inTheWay = dir / "folder.bin";
  fs::create_directory(inTheWay);
  EXPECT_EQ(store("0", "100", inTheWay), StoreOutcome::WriteFailed);
  const fs::path missing = dir / "no" / "such" / "out.bin";
  EXPECT_EQ(store("0", "100", missing), StoreOutcome::WriteFailed);

  ASSERT_EQ(host.boxes.size(), 2U);
  EXPECT_NE(host.boxes[0].find(inTheWay.string()), std::string::npos);
  EXPECT_NE(host.boxes[0].find("directory"), std::string::npos) << host.boxes[0];
  EXPECT_NE(host.boxes[1].find(missing.string()), std::string::npos);
  EXPECT_NE(host.boxes[1].find("No such file or directory"), std::string::npos) << host.boxes[1];
  EXPECT_NE(host.boxes[1].find("\r\n无法写入文件"), std::string::npos);
  EXPECT_TRUE(fs::is_directory(inTheWay));
  EXPECT_TRUE(fs::is_empty(inTheWay));
  EXPECT_EQ(filesInDir(), 1U);  // the folder only: no temporary file left
}

// A write that fails half-way (here the process may not grow a file past 100
// bytes, which binds root as well) must leave the previous file as it was.
TEST_F(BinStoreTest, FailedWriteLeavesTheOldFileUntouched) {
  const fs::path out = dir / "out.bin";
  const std::vector<std::uint8_t> old(64, 0x5A);
  writeAll(out, old);

  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 100;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const StoreOutcome outcome = store("0", "10000", out);
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previousHandler);

  EXPECT_EQ(outcome, StoreOutcome::WriteFailed);
  EXPECT_EQ(readAll(out), old);
  EXPECT_EQ(filesInDir(), 1U);
  ASSERT_EQ(host.boxes.size(), 1U);
  EXPECT_NE(host.boxes[0].find(out.string()), std::string::npos);
  EXPECT_NE(host.boxes[0].find("File too large"), std::string::npos) << host.boxes[0];
}

TEST_F(BinStoreTest, TemporaryNamesNeverTakeOverOtherFiles) {
  const fs::path out = dir / "out.bin";
  writeAll(dir / "out.bin.tmp0", {1, 2, 3});
  EXPECT_EQ(store("0", "10", out), StoreOutcome::Written);
  EXPECT_EQ(readAll(dir / "out.bin.tmp0"), (std::vector<std::uint8_t>{1, 2, 3}));
  EXPECT_EQ(readAll(out), imageBytes(0, 0x10));
  EXPECT_EQ(filesInDir(), 2U);
}

}  // namespace
}  // namespace qrk

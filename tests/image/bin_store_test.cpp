#include "image/bin_store.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <iterator>

#include "image_fixtures.h"

namespace qrk {
namespace {

namespace fs = std::filesystem;
using imagetest::BoxHost;
using imagetest::bytesAt;
using imagetest::TempDir;

std::vector<std::uint8_t> readAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The whole text of each box is read, so five digits are five digits.
TEST(StoreRange, AcceptsUpToTheEndOf64KAndRefusesWithTheMessageOfEachLimit) {
  auto check = checkStoreRange(" F000 ", "1000");
  ASSERT_TRUE(check.range);
  EXPECT_EQ(check.range->start, 0xF000);
  EXPECT_EQ(check.range->last(), 0xFFFF);
  check = checkStoreRange("0000", "0010000");
  ASSERT_TRUE(check.range);
  EXPECT_EQ(check.range->length, 0x10000);

  struct Case {
    const char* start;
    const char* length;
    std::string_view message;
  };
  const Case cases[] = {
      {"10000", "1", kStoreStartTooBig},  // never read as 0000
      {"123456789ABCDEF0123", "1", kStoreStartTooBig},
      {"x12", "1", kStoreStartNegative},
      {"0", "0", kStoreLengthTooSmall},
      {"0", "1G", kStoreLengthTooSmall},
      {"F000", "1001", kStoreLengthTooBig},
      {"1", "10000", kStoreLengthTooBig},
      {"0", "FFFFFFFFFFFFFFFFFFFF", kStoreLengthTooBig},
  };
  for (const auto& c : cases) {
    check = checkStoreRange(c.start, c.length);
    EXPECT_FALSE(check.range) << c.start << " " << c.length;
    EXPECT_EQ(check.refusal, c.message) << c.start << " " << c.length;
  }
  EXPECT_EQ(checkStoreRange(0x10, -1).refusal, kStoreLengthTooSmall);  // --to before --from
}

class BinStore : public ::testing::Test {
 protected:
  BinStore() {
    for (std::int32_t a = 0; a < ImageBuffer::kSize; ++a) {
      image.set(a, static_cast<std::uint8_t>(a * 7 + (a >> 8)));
    }
  }
  StoreOutcome store(const std::string& start, const std::string& length, const fs::path& path) {
    return storeBinFile(image, start, length, host, [&] { return std::optional<fs::path>(path); });
  }
  std::size_t filesInDir() const {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir.root()), {}));
  }

  TempDir dir;
  ImageBuffer image;
  BoxHost host;
  const fs::path out = dir.path("out.bin");
};

TEST_F(BinStore, WritesTheRangeOverTheOldFileAndLeavesOtherFilesAlone) {
  dir.file("out.bin", std::vector<std::uint8_t>(5000, 0xAA));
  dir.file("out.bin.tmp0", std::vector<std::uint8_t>{1, 2, 3});
  EXPECT_EQ(store("F000", "1000", out), StoreOutcome::Written);
  EXPECT_EQ(readAll(out), bytesAt(image, 0xF000, 0x1000));
  EXPECT_EQ(store("0", "10000", out), StoreOutcome::Written);
  EXPECT_EQ(readAll(out), bytesAt(image, 0, 0x10000));
  EXPECT_EQ(readAll(dir.path("out.bin.tmp0")), (std::vector<std::uint8_t>{1, 2, 3}));
  EXPECT_EQ(filesInDir(), 2U);  // no temporary file left beside them
  EXPECT_TRUE(host.texts.empty());

  EXPECT_EQ(store("10000", "1", dir.path("refused.bin")), StoreOutcome::Refused);
  EXPECT_EQ(host.texts, std::vector<std::string>{std::string(kStoreStartTooBig)});
  EXPECT_EQ(storeBinFile(image, "0", "100", host, [] { return std::optional<fs::path>(); }),
            StoreOutcome::Cancelled);
  EXPECT_EQ(filesInDir(), 2U);
}

TEST_F(BinStore, FailuresNameThePathAndTheReason) {
  const fs::path inTheWay = dir.path("folder.bin");
  fs::create_directory(inTheWay);
  EXPECT_EQ(store("0", "100", inTheWay), StoreOutcome::WriteFailed);
  const fs::path missing = dir.root() / "no" / "such" / "out.bin";
  EXPECT_EQ(store("0", "100", missing), StoreOutcome::WriteFailed);

  ASSERT_EQ(host.texts.size(), 2U);
  EXPECT_NE(host.texts[0].find(inTheWay.string()), std::string::npos);
  EXPECT_NE(host.texts[0].find("directory"), std::string::npos) << host.texts[0];
  EXPECT_NE(host.texts[1].find(missing.string()), std::string::npos);
  EXPECT_NE(host.texts[1].find("No such file or directory"), std::string::npos) << host.texts[1];
  EXPECT_NE(host.texts[1].find("\r\n无法写入文件"), std::string::npos);
  EXPECT_TRUE(fs::is_empty(inTheWay));
  EXPECT_EQ(filesInDir(), 1U);  // the folder only: no temporary file left
}

// A write that fails half-way (here the process may not grow a file past 100
// bytes, which binds root as well) must leave the previous file as it was.
TEST_F(BinStore, FailedWriteLeavesTheOldFileUntouched) {
  const std::vector<std::uint8_t> old(64, 0x5A);
  dir.file("out.bin", old);

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
  ASSERT_EQ(host.texts.size(), 1U);
  EXPECT_NE(host.texts[0].find(out.string()), std::string::npos);
  EXPECT_NE(host.texts[0].find("File too large"), std::string::npos) << host.texts[0];
}

}  // namespace
}  // namespace qrk
